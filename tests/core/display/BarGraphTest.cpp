#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "display/BarGraph.h"

namespace {

constexpr int kW = 228;

FaceMetrics Metrics() {
    FaceMetrics m;
    m.width = kW;
    m.height = 169;
    m.textWidth = [](FaceFont, const std::string& text) {
        return 5 * static_cast<int>(text.size());
    };
    return m;
}

std::vector<std::string> Texts(const std::vector<BarLabel>& labels) {
    std::vector<std::string> texts;
    for (const BarLabel& label : labels) {
        texts.push_back(label.text);
    }
    return texts;
}

}  // namespace

TEST(BarGraph, ScaleDependsOnDecimalsFunctionAndSet) {
    const auto volts = ChooseBarScale("VDC", 4, BarScaleSet::A);
    ASSERT_TRUE(volts);
    EXPECT_EQ(volts->maximum, 5.0);
    EXPECT_EQ(volts->minimum, -5.0);
    const auto ohms = ChooseBarScale("RES", 3, BarScaleSet::B);
    ASSERT_TRUE(ohms);
    EXPECT_EQ(ohms->maximum, 50.0);
    EXPECT_EQ(ohms->minimum, 0.0);
    EXPECT_EQ(ChooseBarScale("mADC", 2, BarScaleSet::A)->minimum, -500.0);

    // One decimal: micro-amps have a 5000 scale in set A only; the diode has
    // a scale in set A only.
    EXPECT_EQ(ChooseBarScale("uAAC", 1, BarScaleSet::A)->maximum, 5000.0);
    EXPECT_EQ(ChooseBarScale("uADC", 1, BarScaleSet::A)->minimum, -5000.0);
    EXPECT_EQ(ChooseBarScale("uAAC", 1, BarScaleSet::B)->maximum, 1000.0);
    EXPECT_EQ(ChooseBarScale("uADC", 1, BarScaleSet::B)->minimum, -1000.0);
    EXPECT_EQ(ChooseBarScale("Diode", 1, BarScaleSet::A)->maximum, 1000.0);
    EXPECT_FALSE(ChooseBarScale("Diode", 1, BarScaleSet::B));
    EXPECT_EQ(ChooseBarScale("Diode", 4, BarScaleSet::B)->maximum, 5.0);

    EXPECT_FALSE(ChooseBarScale("VDC", 0, BarScaleSet::A));
    EXPECT_FALSE(ChooseBarScale("VDC", 5, BarScaleSet::A));
    EXPECT_FALSE(ChooseBarScale("HZ", 3, BarScaleSet::A));
    EXPECT_FALSE(ChooseBarScale("", 3, BarScaleSet::A));
}

TEST(BarGraph, LabelsForNarrowAndWideScales) {
    const auto narrow = BarGraphLabels({5.0, -5.0}, kW);
    EXPECT_EQ(Texts(narrow), (std::vector<std::string>{"-5", "-4", "-3", "-2", "-1", "0", "1", "2",
                                                       "3", "4", "5"}));
    EXPECT_NEAR(narrow.front().x, 2.0 * kW / 15, 1e-9);
    EXPECT_NEAR(narrow.back().x, 13.0 * kW / 15, 1e-9);

    const auto wide = BarGraphLabels({500.0, -500.0}, kW);
    EXPECT_EQ(Texts(wide),
              (std::vector<std::string>{"0", "-500", "-300", "-100", "100", "300", "500"}));
    EXPECT_FALSE(wide.front().centred);
    EXPECT_NEAR(wide.front().x, kW / 2.0 - 2, 1e-9);

    EXPECT_EQ(Texts(BarGraphLabels({50.0, 0.0}, kW)),
              (std::vector<std::string>{"0", "10", "20", "30", "40", "50"}));
}

TEST(BarGraph, BarLengthsClampAndHonourTheLimit) {
    const int span = 11 * kW / 15;  // 167
    // Unipolar: from the scale's start, full length beyond full scale or limit.
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, 25.0, 60.0, kW).width, 83);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, 25.0, 60.0, kW).x, 30);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, 80.0, 60.0, kW).width, span);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, 10.0, 5.0, kW).width, span);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, -10.0, 60.0, kW).width, 0);

    // Narrow bipolar: from the centre, right for positive, left for negative.
    const BarExtent right = BarGraphBar({5.0, -5.0}, 2.5, 6.0, kW);
    EXPECT_EQ(right.x, kW / 2);
    EXPECT_EQ(right.width, 41);
    const BarExtent left = BarGraphBar({5.0, -5.0}, -2.5, 6.0, kW);
    EXPECT_EQ(left.x, 72);  // trunc(114 - 41.8)
    EXPECT_EQ(left.width, 41);
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, -9.0, 6.0, kW).width, 83);
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, -9.0, 6.0, kW).x, 30);      // the axis' left end
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, -4.0, 3.0, kW).width, 83);  // beyond the limit
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, 4.0, 3.0, kW).width, 83);

    // Wide bipolar scales ignore the limit.
    EXPECT_EQ(BarGraphBar({500.0, -500.0}, 250.0, 100.0, kW).width, 41);
    EXPECT_EQ(BarGraphBar({500.0, -500.0}, -250.0, 100.0, kW).width, 41);
    EXPECT_EQ(BarGraphBar({500.0, -500.0}, -900.0, 100.0, kW).width, 83);

    // Values that are not numbers draw nothing; infinities fill their side.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, nan, 6.0, kW).width, 0);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, nan, 60.0, kW).width, 0);
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, inf, 6.0, kW).width, 83);
    EXPECT_EQ(BarGraphBar({5.0, -5.0}, -inf, 6.0, kW).width, 83);
    EXPECT_EQ(BarGraphBar({50.0, 0.0}, inf, 60.0, kW).width, span);
}

TEST(BarGraph, PlanHasAxisTicksLabelsUnitAndBar) {
    FacePlan plan;
    AppendBarGraph(plan, {5.0, -5.0}, 2.5, 6.0, "VDC", Metrics());
    int lines = 0;
    int texts = 0;
    int rects = 0;
    for (const FaceOp& op : plan) {
        lines += op.kind == FaceOp::Kind::Line;
        texts += op.kind == FaceOp::Kind::Text;
        rects += op.kind == FaceOp::Kind::FilledRect;
    }
    EXPECT_EQ(lines, 1 + 11 + 51);
    EXPECT_EQ(texts, 11 + 1);
    EXPECT_EQ(rects, 1);

    const FaceOp& axis = plan.front();
    EXPECT_EQ(axis.x, 30);
    EXPECT_EQ(axis.x2, 197);
    EXPECT_EQ(axis.y, 84);
    const FaceOp& lastMajor = plan[11];
    EXPECT_EQ(lastMajor.y2, 84 + 8);
    EXPECT_EQ(plan[12].y2, 84 + 5);

    // The unit follows the last label ("5", 5 pixels wide in this test).
    const FaceOp& unit = plan[plan.size() - 2];
    EXPECT_EQ(unit.text, "VDC");
    EXPECT_EQ(unit.x, static_cast<int>(2.0 * kW / 15 + 11.0 * kW / 15 + 2));
    EXPECT_EQ(unit.y, 84 + 8);
    const FaceOp& bar = plan.back();
    EXPECT_EQ(bar.y, 84 - 5);
    EXPECT_EQ(bar.height, 5);
}

// The unit text follows the last label but never leaves the LCD: a unit that
// would run past the edge ends 2 pixels before it, just above the bar's right
// end (moved left on the label row it would cover the last label).
TEST(BarGraph, UnitTextStaysInsideTheLcd) {
    struct Case {
        BarScale scale;
        std::string unit;
        int x;  // 5 pixels per character
        int y;
    };
    const int followX = static_cast<int>(2.0 * kW / 15 + 11.0 * kW / 15);  // 197
    const int labelRow = 84 + 8;
    const int aboveBar = 84 - 5 - 10 - 1;
    const Case cases[] = {
        {{5.0, -5.0}, "VDC", followX + 2, labelRow},         // after "5": 199 + 15
        {{50.0, 0.0}, "mVDC", followX + 5, labelRow},        // after "50": 202 + 20
        {{500.0, -500.0}, "mVDC", followX + 7, labelRow},    // after "500": 204 + 20 = 224
        {{5000.0, -5000.0}, "VDC", followX + 10, labelRow},  // after "5000": 207 + 15
        {{5000.0, -5000.0}, "mVDC", kW - 2 - 20, aboveBar},  // 207 + 20 > 226
        {{5.0, -5.0}, "ABCDEFGH", kW - 2 - 40, aboveBar},
        {{5000.0, 0.0}, "VERYLONGUNIT", kW - 2 - 60, aboveBar},
    };
    for (const Case& c : cases) {
        FacePlan plan;
        AppendBarGraph(plan, c.scale, 1.0, 1e9, c.unit, Metrics());
        const auto unit = std::find_if(plan.begin(), plan.end(),
                                       [&c](const FaceOp& op) { return op.text == c.unit; });
        ASSERT_NE(unit, plan.end()) << c.unit;
        EXPECT_EQ(unit->x, c.x) << c.unit << " after " << c.scale.maximum;
        EXPECT_EQ(unit->y, c.y) << c.unit << " after " << c.scale.maximum;
        EXPECT_LE(unit->x + 5 * static_cast<int>(c.unit.size()), kW - 2) << c.unit;
    }
}
