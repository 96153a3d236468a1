#pragma once

#include <optional>
#include <string>

// The full scale of a reading's range, chosen from its function text and
// decimals: the live graph's vertical range under automatic scaling and the
// meter face's bar graph both use it.

// Set A: the live graph and face 1. Set B: faces 3 and 4, which differ only
// at one decimal (no scale for "Diode", and microamperes at 1000 as well).
enum class FullScaleSet { A, B };

struct FullScale {
    double top;     // the full scale
    double bottom;  // 0 for functions that never go below zero, -top for the others
};

// The full scale, or nothing when the function and decimals have none.
std::optional<FullScale> FullScaleFor(const std::string& function, int decimals,
                                      FullScaleSet set = FullScaleSet::A);
