#pragma once

#include <optional>
#include <string>

#include "decode/FullScale.h"
#include "display/FacePlan.h"

// The bar graph under the main value: axis, ticks, scale labels, the unit and
// the bar itself.

// Face 1 uses set A; faces 3 and 4 use set B (they differ only at one decimal).
using BarScaleSet = FullScaleSet;

struct BarScale {
    double maximum;  // a: full scale
    double minimum;  // b: 0 for unipolar functions, -full scale for bipolar ones
};

// The scale for a function text and decimals, or nothing when the pair has none.
std::optional<BarScale> ChooseBarScale(const std::string& function, int decimals, BarScaleSet set);

// The scale labels and where they go.
struct BarLabel {
    double x;  // position the label is centred on (or drawn at, see `centred`)
    std::string text;
    bool centred;
};
std::vector<BarLabel> BarGraphLabels(const BarScale& scale, int width);

struct BarExtent {
    int x;
    int width;
};
// Left edge and length of the filled bar for value c (never negative).
BarExtent BarGraphBar(const BarScale& scale, double value, double limit, int width);

// Appends the whole bar graph (value c, unit text after the last label) to a plan.
void AppendBarGraph(FacePlan& plan, const BarScale& scale, double value, double limit,
                    const std::string& unit, const FaceMetrics& metrics);
