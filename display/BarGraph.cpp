#include "display/BarGraph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include "common/CLocaleFormat.h"

namespace {

// Pixels kept free between the unit text and the LCD's right edge.
constexpr int kUnitRightSpare = 2;
// Cell height of the labels' font; the bar is 5 pixels high above the axis.
constexpr int kLabelCellHeight = 10;
constexpr int kBarHeight = 5;

std::string LabelText(double value) {
    return FormatInCLocale("%.0f", value);
}

int Truncate(double x) {
    return static_cast<int>(x);
}

}  // namespace

std::optional<BarScale> ChooseBarScale(const std::string& function, int decimals, BarScaleSet set) {
    const std::optional<FullScale> scale = FullScaleFor(function, decimals, set);
    if (!scale) {
        return std::nullopt;
    }
    return BarScale{scale->top, scale->bottom};
}

std::vector<BarLabel> BarGraphLabels(const BarScale& scale, int width) {
    const double a = scale.maximum;
    const double b = scale.minimum;
    const double x0 = 2.0 * width / 15.0;
    std::vector<BarLabel> labels;
    if (b > -500.0 && b < 0.0) {
        for (int k = 0; k <= 10; ++k) {
            labels.push_back(
                {x0 + k * 11.0 * width / 150.0, LabelText(b + (a - b) * k / 10.0), true});
        }
        return labels;
    }
    if (b <= -500.0) {
        // Wide bipolar scales mark the centre with a lone zero.
        labels.push_back({x0 + 5 * 11.0 * width / 150.0 - 2.0, "0", false});
    }
    for (int k = 0; k <= 5; ++k) {
        labels.push_back({x0 + k * 11.0 * width / 75.0, LabelText(b + (a - b) * k / 5.0), true});
    }
    return labels;
}

BarExtent BarGraphBar(const BarScale& scale, double value, double limit, int width) {
    const double a = scale.maximum;
    const double b = scale.minimum;
    const double span = 11.0 * width / 15.0;
    const int centre = width / 2;
    double c = value;
    if (b >= 0.0) {
        const int x0 = Truncate(2.0 * width / 15.0);
        if (std::isnan(c)) {
            return {x0, 0};
        }
        c = std::min(c, a);
        if (c > limit) {
            c = a;
        }
        // A negative reading on a unipolar scale shows no bar rather than one
        // reaching left of the scale's start.
        c = std::max(c, 0.0);
        return {x0, Truncate(11.0 * width * c / (15.0 * a))};
    }
    if (std::isnan(c)) {
        return {centre, 0};
    }
    const bool limitTested = b > -500.0;
    if (c > 0.0) {
        c = std::min(c, a);
        if (limitTested && c > limit) {
            c = a;
        }
        return {centre, Truncate(span * c / (a - b))};
    }
    if (std::fabs(c) > a || (limitTested && std::fabs(c) > limit)) {
        c = b;
    }
    const double m = span * c / (a - b);
    return {Truncate(centre + m), Truncate(std::fabs(m))};
}

void AppendBarGraph(FacePlan& plan, const BarScale& scale, double value, double limit,
                    const std::string& unit, const FaceMetrics& metrics) {
    const int w = metrics.width;
    const int y0 = metrics.height / 2;
    const double x0 = 2.0 * w / 15.0;

    plan.push_back(FaceOp::LineOp(Truncate(x0), y0, Truncate(13.0 * w / 15.0), y0));
    for (int i = 0; i <= 10; ++i) {
        const int x = Truncate(x0 + i * 11.0 * w / 150.0);
        plan.push_back(FaceOp::LineOp(x, y0, x, y0 + 8));
    }
    for (int j = 0; j <= 50; ++j) {
        const int x = Truncate(x0 + j * 11.0 * w / 750.0);
        plan.push_back(FaceOp::LineOp(x, y0, x, y0 + 5));
    }

    int lastLabelWidth = 0;
    for (const BarLabel& label : BarGraphLabels(scale, w)) {
        lastLabelWidth = metrics.textWidth(FaceFont::Label, label.text);
        const int x = Truncate(label.x) - (label.centred ? lastLabelWidth / 2 : 0);
        plan.push_back(FaceOp::Text(x, y0 + 8, FaceFont::Label, label.text));
    }
    // The unit follows the last label. A long unit after a wide label would
    // run past the LCD's right edge, and moved left it would cover the label:
    // it then ends at the edge just above the bar's right end.
    const int followX = Truncate(x0 + 11.0 * w / 15.0 + lastLabelWidth / 2);
    const int edgeX = w - kUnitRightSpare - metrics.textWidth(FaceFont::Label, unit);
    if (followX <= edgeX) {
        plan.push_back(FaceOp::Text(followX, y0 + 8, FaceFont::Label, unit));
    } else {
        plan.push_back(
            FaceOp::Text(edgeX, y0 - kBarHeight - kLabelCellHeight - 1, FaceFont::Label, unit));
    }

    const BarExtent bar = BarGraphBar(scale, value, limit, w);
    if (bar.width > 0) {
        plan.push_back(FaceOp::Rect(bar.x, y0 - 5, bar.width, 5));
    }
}
