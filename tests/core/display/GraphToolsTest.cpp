#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <random>

#include "display/GraphSetting.h"
#include "display/GraphTools.h"

namespace {

// A client of 600 x 300: plot 500 x 250 at x 50 … 550, y 25 … 275; the initial
// ranges 0 … 20 and −500 … 500 give scales 0.04 and 4.
GraphState Fresh() {
    return MakeGraphState(600, 300);
}

}  // namespace

TEST(GraphToolsTest, DragZoomsFillThePlotWithTheMarkedStretch) {
    struct Case {
        int tool;
        GraphPoint press, release;
        double xLeft, xScale, yBottom, yScale;
        bool zoomed;
    };
    const Case cases[] = {
        // rectangle: both axes; either direction; released beyond the plot it is clamped
        {1, {100, 100}, {300, 200}, 2.0, 0.016, -200.0, 1.6, true},
        {1, {300, 200}, {100, 100}, 2.0, 0.016, -200.0, 1.6, true},
        {1, {500, 200}, {700, 400}, 18.0, 0.004, -500.0, 1.2, true},
        {1, {100, 100}, {105, 105}, 2.0, 0.0004, 180.0, 0.08, true},
        // 4 pixels or less in either direction: nothing
        {1, {100, 100}, {104, 200}, 0.0, 0.04, -500.0, 4.0, false},
        {1, {100, 100}, {300, 96}, 0.0, 0.04, -500.0, 4.0, false},
        // Y zoom leaves X and the zoomed flag alone; X zoom sets it
        {2, {100, 100}, {400, 200}, 0.0, 0.04, -200.0, 1.6, false},
        {2, {100, 100}, {400, 104}, 0.0, 0.04, -500.0, 4.0, false},
        {3, {100, 100}, {300, 250}, 2.0, 0.016, -500.0, 4.0, true},
        {3, {100, 100}, {96, 250}, 0.0, 0.04, -500.0, 4.0, false},
    };
    for (const Case& c : cases) {
        GraphState state = Fresh();
        state.pressPoint = c.press;
        if (c.tool == 1) {
            ApplyRectZoom(state, c.release);
        } else if (c.tool == 2) {
            ApplyYZoom(state, c.release);
        } else {
            ApplyXZoom(state, c.release);
        }
        const auto label = ::testing::Message()
                           << "tool " << c.tool << " from " << c.press.x << "," << c.press.y
                           << " to " << c.release.x << "," << c.release.y;
        const std::size_t lines = c.tool == 1 ? 1 : 3;  // X and Y zoom move all three lines
        for (std::size_t i = 0; i < lines; ++i) {
            const GraphLine& line = state.lines[i];
            EXPECT_NEAR(line.xLeft, c.xLeft, 1e-9) << label;
            EXPECT_NEAR(line.xScale, c.xScale, 1e-12) << label;
            EXPECT_NEAR(line.yBottom, c.yBottom, 1e-9) << label;
            EXPECT_NEAR(line.yScale, c.yScale, 1e-12) << label;
        }
        EXPECT_EQ(state.zoomed, c.zoomed) << label;
    }

    // At 0.005 units per pixel or less a drag no longer zooms that axis.
    GraphState state = Fresh();
    state.lines[0].xScale = kDragZoomLimit;
    state.pressPoint = {100, 100};
    ApplyRectZoom(state, {300, 200});
    EXPECT_EQ(state.lines[0].xScale, kDragZoomLimit);
    EXPECT_EQ(state.lines[0].xLeft, 0.0);
    EXPECT_NEAR(state.lines[0].yScale, 1.6, 1e-12);
}

TEST(GraphToolsTest, ZoomInAndOutStepBy002WithinTheirLimits) {
    for (const auto& [scale, expected] :
         {std::pair{0.03, 0.01}, {0.02, 0.02}, {0.04, 0.02}, {0.001, 0.001}}) {
        GraphState state = Fresh();
        state.lines[0].xScale = scale;
        state.lines[0].yScale = scale;
        state.lines[0].xLeft = 3.0;
        state.lines[0].yBottom = -7.0;
        ApplyZoomIn(state);
        EXPECT_NEAR(state.lines[0].xScale, expected, 1e-12) << scale;
        EXPECT_NEAR(state.lines[0].yScale, expected, 1e-12) << scale;
        EXPECT_EQ(state.lines[0].xLeft, 3.0);
        EXPECT_EQ(state.lines[0].yBottom, -7.0);
    }

    // Zoom out from 0.01 reaches the home range (20 / 500 = 0.04) and stops there.
    GraphState state = Fresh();
    state.lines[0].xScale = 0.01;
    std::vector<double> steps;
    for (int click = 0; click < 4; ++click) {
        ApplyZoomOut(state);
        steps.push_back(state.lines[0].xScale);
    }
    EXPECT_NEAR(steps[0], 0.03, 1e-12);
    EXPECT_NEAR(steps[1], 0.04, 1e-12);
    EXPECT_NEAR(steps[3], 0.04, 1e-12);
    EXPECT_NEAR(state.lines[0].yScale, 4.0, 1e-12);  // Y covered its home range already
}

TEST(GraphToolsTest, FftRangeIsOrderedAndClampedToTheLastRecord) {
    const GraphState state = Fresh();  // nearest sample: trunc((x − 50) · 0.04 + 0.5)
    struct Case {
        int press, release;
        std::size_t records;
        std::optional<RecordRange> range;
    };
    const Case cases[] = {
        {100, 300, 12, RecordRange{2, 10}},
        {300, 100, 12, RecordRange{2, 10}},  // right to left
        {100, 300, 5, RecordRange{2, 4}},    // clamped
        {300, 100, 5, RecordRange{2, 4}},
        {300, 400, 5, std::nullopt},  // both clamp onto the last record
        {0, 300, 12, std::nullopt},   // left of the first sample
        {300, 0, 12, std::nullopt},
        {100, 105, 12, std::nullopt},  // one record
        {100, 300, 1, std::nullopt},
        {100, 300, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FftRangeOf(state, c.press, c.release, c.records), c.range)
            << c.press << " to " << c.release << " of " << c.records;
    }
}

TEST(GraphToolsTest, NearestSampleFollowsTheZoomedMapping) {
    GraphState state = Fresh();
    state.pressPoint = {100, 100};
    ApplyXZoom(state, {300, 100});  // x left 2, 0.016 samples per pixel
    for (const auto& [x, sample] : {std::pair{50, 2LL}, {80, 2LL}, {82, 3LL}, {550, 10LL}}) {
        EXPECT_EQ(NearestSampleAt(state, x), sample) << x;
    }
}

TEST(GraphToolsTest, PlotAndBandBoundsAreStrictWhereTheyShouldBe) {
    const GraphState state = Fresh();
    EXPECT_FALSE(InsidePlot(state, {50, 100}));
    EXPECT_TRUE(InsidePlot(state, {51, 26}));
    EXPECT_TRUE(InsidePlot(state, {549, 274}));
    EXPECT_FALSE(InsidePlot(state, {549, 275}));
    EXPECT_TRUE(InsideDragBand(state, {4, 4}));
    EXPECT_TRUE(InsideDragBand(state, {596, 296}));
    EXPECT_FALSE(InsideDragBand(state, {597, 100}));
    EXPECT_FALSE(InsideDragBand(state, {100, 3}));
    EXPECT_EQ(ClampToPlot(state, {-9, 900}), (GraphPoint{50, 275}));
}

// Wheel zooms keep the data under the pointer where it is, stop at the limits
// and keep the view inside the home range.
TEST(GraphToolsTest, WheelZoomsAroundThePointer) {
    GraphState state = Fresh();
    const double underPointer = 0.0 + (300 - 50) * 0.04;  // sample 10 at x 300
    ASSERT_TRUE(ZoomXAround(state, 300, 0.5));
    EXPECT_TRUE(state.zoomed);
    EXPECT_NEAR(state.lines[0].xScale, 0.02, 1e-12);
    EXPECT_NEAR(state.lines[0].xLeft + 250 * state.lines[0].xScale, underPointer, 1e-9);
    while (ZoomXAround(state, 300, 0.5)) {
    }
    EXPECT_EQ(state.lines[0].xScale, kDragZoomLimit);
    while (ZoomXAround(state, 540, 2.0)) {
    }
    EXPECT_NEAR(state.lines[0].xScale, 0.04, 1e-12);  // the home range, no further
    EXPECT_NEAR(state.lines[0].xLeft, 0.0, 1e-9);

    ASSERT_TRUE(ZoomYAround(state, 275, 0.5));  // at the bottom edge: the bottom stays
    EXPECT_NEAR(state.lines[0].yBottom, -500.0, 1e-9);
    EXPECT_NEAR(state.lines[0].yScale, 2.0, 1e-12);
    EXPECT_FALSE(ZoomYAround(state, 100, 1.0));
}

// Live readings set the automatic Y range after every reading; once the user
// zoomed or panned in Y that range waits for the All command instead.
TEST(GraphToolsTest, AUserYViewOutlivesAutomaticRangesUntilAll) {
    struct Case {
        const char* gesture;
        std::function<void(GraphState&)> apply;
        bool userY;
    };
    // A view zoomed to half the height, the flag cleared, for the pans.
    const auto halfHigh = [](GraphState& state) {
        state.lines[0].yScale = 2.0;
        state.yZoomed = false;
    };
    const auto pan = [](GraphState& state, GraphPoint from, GraphPoint to) {
        state.previousPoint = from;
        state.currentPoint = to;
        ApplyPanStep(state);
    };
    const Case cases[] = {
        {"rectangle",
         [](GraphState& s) {
             s.pressPoint = {100, 100};
             ApplyRectZoom(s, {300, 200});
         },
         true},
        {"Y zoom",
         [](GraphState& s) {
             s.pressPoint = {100, 100};
             ApplyYZoom(s, {100, 200});
         },
         true},
        {"X zoom",
         [](GraphState& s) {
             s.pressPoint = {100, 100};
             ApplyXZoom(s, {300, 100});
         },
         false},
        {"zoom in", [](GraphState& s) { ApplyZoomIn(s); }, true},
        {"zoom out at home", [](GraphState& s) { ApplyZoomOut(s); }, false},
        {"wheel X", [](GraphState& s) { ZoomXAround(s, 300, 0.5); }, false},
        {"wheel Y", [](GraphState& s) { ZoomYAround(s, 100, 0.5); }, true},
        {"pan up",
         [&](GraphState& s) {
             halfHigh(s);
             pan(s, {300, 150}, {300, 170});
         },
         true},
        {"pan sideways",
         [&](GraphState& s) {
             halfHigh(s);
             pan(s, {300, 150}, {250, 150});
         },
         false},
        {"pan at home",
         [&](GraphState& s) {
             pan(s, {300, 150}, {300, 170});
         },
         false},
    };
    for (const Case& c : cases) {
        GraphState state = Fresh();
        c.apply(state);
        const GraphLine before = state.lines[0];
        EXPECT_EQ(SetGraphAutoYRange(state, 8.0, -2.0), !c.userY) << c.gesture;
        const GraphLine& line = state.lines[0];
        if (c.userY) {
            EXPECT_EQ(line, before) << c.gesture;
        } else {
            EXPECT_EQ(line.yTop, 8.0) << c.gesture;
            EXPECT_EQ(line.yBottom, -2.0) << c.gesture;
        }
        // All shows the latest automatic range.
        SetGraphAutoYRange(state, 9.0, -3.0);
        ResetGraphView(state, 600, 300);
        EXPECT_FALSE(state.yZoomed) << c.gesture;
        EXPECT_EQ(line.yTop, 9.0) << c.gesture;
        EXPECT_EQ(line.yBottom, -3.0) << c.gesture;
        EXPECT_DOUBLE_EQ(line.yScale, 12.0 / 250) << c.gesture;
    }
    // A range the user sets (the Setting dialog) ends the Y zoom.
    GraphState state = Fresh();
    ZoomYAround(state, 100, 0.5);
    SetGraphYRange(state, 1.0, 0.0);
    EXPECT_TRUE(SetGraphAutoYRange(state, 8.0, -2.0));
}

// Any mix of gestures on 0, 1 or many records leaves finite, positive scales;
// panning and the wheel never leave x home … x end and y home … y top.
TEST(GraphToolsTest, RandomGesturesKeepTheViewSane) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> px(0, 620);
    std::uniform_int_distribution<int> py(0, 320);
    std::uniform_int_distribution<int> op(0, 8);
    for (int round = 0; round < 200; ++round) {
        GraphState state = Fresh();
        const std::size_t records = static_cast<std::size_t>(round % 3 == 0 ? round % 2 : round);
        for (int step = 0; step < 60; ++step) {
            const GraphPoint a{px(random), py(random)};
            const GraphPoint b{px(random), py(random)};
            state.pressPoint = a;
            const int kind = op(random);
            bool bounded = true;
            switch (kind) {
                case 0:
                    ApplyRectZoom(state, b);
                    break;
                case 1:
                    ApplyYZoom(state, b);
                    break;
                case 2:
                    ApplyXZoom(state, b);
                    break;
                case 3:
                    ApplyZoomIn(state);
                    break;
                case 4:
                    ApplyZoomOut(state);
                    bounded = false;  // keeps the left edge, may reach past x end
                    break;
                case 5:
                    (void)FftRangeOf(state, a.x, b.x, records);
                    break;
                case 6:
                    ZoomXAround(state, a.x, step % 2 ? 0.8 : 1.25);
                    break;
                case 7:
                    ZoomYAround(state, a.y, step % 2 ? 0.8 : 1.25);
                    break;
                default:
                    state.previousPoint = a;
                    state.currentPoint = b;
                    ApplyPanStep(state);
                    break;
            }
            const GraphLine& line = state.lines[0];
            for (const double scale : {line.xScale, line.yScale}) {
                ASSERT_TRUE(std::isfinite(scale) && scale > 0.0) << round << "/" << step;
            }
            if (bounded && kind >= 6) {
                ASSERT_GE(line.xLeft, line.xHome - 1e-9);
                ASSERT_GE(line.yBottom, line.yHome - 1e-9);
            }
        }
    }
}

TEST(GraphToolsTest, InspectorTexts) {
    CObData record;
    record.value = 1.23456;
    record.unit = "VDC";
    record.timeText = "8/12/2026 5:1:15";
    record.typeText = "VDC";
    EXPECT_EQ(FormatShowData(7, record),
              (ShowDataTexts{"7", "8/12/2026 5:1:15", "1.2346", "VDC", "VDC"}));
    record.value = 500000.0;
    EXPECT_EQ(FormatShowData(0, record).value, "OL");
    record.value = 499999.99999;
    EXPECT_EQ(FormatShowData(0, record).value, "500000.0000");
}

TEST(GraphSettingTest, SelectionCheckAndTheRangeItSets) {
    struct Case {
        int maximum, minimum;
        std::optional<SettingScaleValues> values;
    };
    const Case cases[] = {
        {4, 5, std::nullopt},  // "0" over "0"
        {5, 5, SettingScaleValues{5.0, 0.0}},
        {7, 2, SettingScaleValues{500.0, -500.0}},
        {9, 0, SettingScaleValues{5000.0, -5000.0}},
        {0, 9, std::nullopt},
        {-1, 0, std::nullopt},  // nothing selected
        {10, 0, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckScaleSelection(c.maximum, c.minimum), c.values)
            << c.maximum << "," << c.minimum;
    }

    DocumentSummary summary;
    EXPECT_EQ(GraphSettingYRange(true, {5, 0}, summary), std::nullopt);  // no extremes yet
    summary.maximum = 10.0;
    summary.minimum = 0.0;
    const auto range = [&](bool autoScale, SettingScaleValues values) {
        const auto r = GraphSettingYRange(autoScale, values, summary);
        return r ? std::optional<std::pair<double, double>>({r->top, r->bottom}) : std::nullopt;
    };
    EXPECT_EQ(range(false, {500, -500}), (std::pair{500.0, -500.0}));
    EXPECT_EQ(range(true, {500, -500}), (std::pair{11.0, -1.0}));
    EXPECT_EQ(range(false, {-5, 5}), std::nullopt);  // minimum above maximum: only repaint
    summary.maximum = summary.minimum = 3.0;
    EXPECT_EQ(range(true, {5, 0}), (std::pair{3.01, 2.99}));
}
