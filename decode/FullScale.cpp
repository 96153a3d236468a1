#include "decode/FullScale.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Functions whose readings never go below zero, and those that do.
constexpr std::array<std::string_view, 7> kUnipolar{"VAC", "RES",  "Diode", "mVAC",
                                                    "AAC", "mAAC", "uAAC"};
constexpr std::array<std::string_view, 5> kBipolar{"VDC", "mVDC", "ADC", "mADC", "uADC"};

bool Contains(const auto& list, std::string_view text) {
    return std::find(list.begin(), list.end(), text) != list.end();
}

// Full scale at one decimal, which differs between the two sets.
std::optional<double> OneDecimalFullScale(const std::string& function, FullScaleSet set) {
    const bool microamperes = function == "uAAC" || function == "uADC";
    if (set == FullScaleSet::A) {
        return microamperes ? 5000.0 : 1000.0;
    }
    if (function == "Diode") {
        return std::nullopt;
    }
    return 1000.0;
}

}  // namespace

std::optional<FullScale> FullScaleFor(const std::string& function, int decimals, FullScaleSet set) {
    const bool unipolar = Contains(kUnipolar, function);
    const bool bipolar = Contains(kBipolar, function);
    if (!unipolar && !bipolar) {
        return std::nullopt;
    }
    std::optional<double> top;
    switch (decimals) {
        case 4:
            top = 5.0;
            break;
        case 3:
            top = 50.0;
            break;
        case 2:
            top = 500.0;
            break;
        case 1:
            top = OneDecimalFullScale(function, set);
            break;
        default:
            break;
    }
    if (!top) {
        return std::nullopt;
    }
    return FullScale{*top, unipolar ? 0.0 : -*top};
}
