#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "display/GraphState.h"

namespace {

// A client of 600 x 300 gives a plot of 500 x 250.
constexpr int kClientW = 600;
constexpr int kClientH = 300;

std::vector<CObData> Records(const std::vector<double>& values) {
    std::vector<CObData> records;
    for (double v : values) {
        CObData r;
        r.value = v;
        r.sequence = static_cast<std::int32_t>(records.size());
        records.push_back(r);
    }
    return records;
}

std::vector<CObData> Ramp(std::size_t n) {
    std::vector<double> values;
    for (std::size_t k = 0; k < n; ++k) {
        values.push_back(static_cast<double>(k % 7));
    }
    return Records(values);
}

GraphTextMetrics SixPixelFont() {
    GraphTextMetrics m;
    m.lineHeight = 18;
    m.textWidth = [](const std::string& text) { return 6 * static_cast<int>(text.size()); };
    return m;
}

// The picture the window would show after its paint's X range step.
GraphPicture Paint(GraphState& state, const std::vector<CObData>& records, bool acquiring = false) {
    const GraphLine& line = state.lines[0];
    const double xScale =
        AdvanceGraphXRange(state, line.plotWidth, line.xScale, records.size(), acquiring);
    return PlanGraph(state, records, line.plotWidth + 100, line.plotHeight + 50, xScale,
                     line.yScale, kGraphXMargin, kGraphYMargin, SixPixelFont());
}

std::string XLabels(const GraphPicture& picture) {
    std::string joined;
    for (std::size_t j = 11; j < picture.labels.size(); ++j) {
        joined += (j > 11 ? " " : "") + picture.labels[j].text;
    }
    return joined;
}

}  // namespace

TEST(GraphState, StartsWithTheInitialRangesOnEveryLine) {
    const GraphState state = MakeGraphState(kClientW, kClientH);
    EXPECT_EQ(state.tool, GraphTool::RectZoom);
    EXPECT_FALSE(state.zoomed);
    for (const GraphLine& line : state.lines) {
        EXPECT_EQ(line.plotWidth, 500);
        EXPECT_EQ(line.plotHeight, 250);
        EXPECT_DOUBLE_EQ(line.xScale, 20.0 / 500);
        EXPECT_DOUBLE_EQ(line.yScale, 1000.0 / 250);
        EXPECT_EQ(line.xEnd, 20.0);
        EXPECT_EQ(line.yTop, 500.0);
        EXPECT_EQ(line.yHome, -500.0);
        EXPECT_EQ(line.yBottom, -500.0);
    }
    // A window too small for its margins still has finite scales.
    const GraphState tiny = MakeGraphState(40, 10);
    EXPECT_EQ(tiny.lines[0].plotWidth, 1);
    EXPECT_TRUE(std::isfinite(tiny.lines[0].xScale));
}

TEST(GraphState, XRangeGrowsByFifteenthsAndLabelsFollow) {
    struct Row {
        std::size_t n;
        double xEnd;
        const char* labels;
    };
    const Row rows[] = {
        {0, 20.0, "0 4 8 12 16 20"},
        {2, 20.0, "0 4 8 12 16 20"},
        {21, 20.0, "0 4 8 12 16 20"},
        {22, 20.0 * 16 / 15, "0 4 9 13 17 21"},
        {23, 20.0 * 16 / 15 * 16 / 15, "0 5 9 14 18 23"},
    };
    for (const Row& row : rows) {
        GraphState state = MakeGraphState(kClientW, kClientH);
        const GraphPicture picture = Paint(state, Ramp(row.n));
        EXPECT_NEAR(state.lines[0].xEnd, row.xEnd, 1e-9) << row.n;
        EXPECT_NEAR(state.lines[0].xScale * 500, row.xEnd, 1e-9) << row.n;
        EXPECT_EQ(XLabels(picture), row.labels) << row.n;
        // The other lines keep their range.
        EXPECT_EQ(state.lines[1].xEnd, 20.0);
    }
    // Large documents: the smallest fifteenth step that holds the newest sample.
    for (std::size_t n : {200u, 20000u, 1000000u}) {
        GraphState state = MakeGraphState(kClientW, kClientH);
        AdvanceGraphXRange(state, 500, state.lines[0].xScale, n, false);
        EXPECT_GE(state.lines[0].xEnd, static_cast<double>(n - 1));
        EXPECT_LT(state.lines[0].xEnd * 15 / 16, static_cast<double>(n - 1));
    }
}

TEST(GraphState, LabelsSitBesideTheirGridLines) {
    GraphState state = MakeGraphState(kClientW, kClientH);
    const GraphPicture picture = Paint(state, {});
    ASSERT_EQ(picture.labels.size(), 17u);
    // Y labels: "%.2f", right-aligned 2 pixels left of the axis, centred on
    // the grid line (y = 275 - i * 25, line height 18).
    EXPECT_EQ(picture.labels[0], (GraphText{50 - 42 - 2, 275 - 9, "-500.00"}));
    EXPECT_EQ(picture.labels[5], (GraphText{50 - 24 - 2, 150 - 9, "0.00"}));
    EXPECT_EQ(picture.labels[10], (GraphText{50 - 36 - 2, 25 - 9, "500.00"}));
    // X labels centred under the vertical grid lines at 50 + j * 100.
    EXPECT_EQ(picture.labels[11], (GraphText{50 - 3, 275 + 9, "0"}));
    EXPECT_EQ(picture.labels[16], (GraphText{550 - 6, 275 + 9, "20"}));
    EXPECT_EQ(picture.grid.front(), (GraphSegment{50, 275, 550, 275}));
    EXPECT_EQ(picture.grid[10], (GraphSegment{50, 25, 550, 25}));
    EXPECT_EQ(picture.grid.back(), (GraphSegment{550, 25, 550, 275}));
    EXPECT_EQ(picture.axes[0], (GraphSegment{50, 25, 50, 275}));
    EXPECT_EQ(picture.axes[1], (GraphSegment{50, 275, 550, 275}));
    EXPECT_EQ(picture.margins[2], (GraphRect{0, 275, 600, 25}));
    // No records: no curve, no markers.
    EXPECT_TRUE(picture.curve.empty());
    EXPECT_TRUE(picture.markers.empty());
}

// A value label wider than the x margin moves the plot's left edge right until
// the widest label keeps 4 pixels to the picture's edge; the right margin, the
// grid, the axes, the bands, the X labels and the curve's mapping follow the
// plot. Labels that fit leave the picture as it always was.
TEST(GraphState, WideValueLabelsMoveThePlotsLeftEdge) {
    struct Case {
        double top;
        double bottom;
        int left;  // 6 pixels per character
    };
    const Case cases[] = {
        {500.0, -500.0, 50},       // "-500.00": 42 + 6 fits in 50
        {999.0, -999.0, 50},       // "-999.00": 42 + 6 fits in 50
        {9999.0, -9999.0, 54},     // "-9999.00"
        {99999.0, -99999.0, 60},   // "-99999.00"
        {550600.0, -56600.0, 60},  // "550600.00" and "-56600.00"
        {5.5e6, 0.0, 66},          // "5500000.00"
        {-1e7, -2e7, 78},          // "-20000000.00"
    };
    const std::vector<CObData> records = Records({1.0, 2.0, 3.0});
    for (const Case& c : cases) {
        GraphState state = MakeGraphState(kClientW, kClientH);
        SetGraphYRange(state, c.top, c.bottom);
        const GraphLine& line = state.lines[0];
        const GraphTextMetrics font = SixPixelFont();
        EXPECT_EQ(GraphPlotLeft(line.yBottom, line.yScale, line.plotHeight, kGraphXMargin,
                                font.textWidth),
                  c.left)
            << c.top;
        const GraphPicture picture = PlanGraph(state, records, kClientW, kClientH, line.xScale,
                                               line.yScale, kGraphXMargin, kGraphYMargin, font);
        const int pw = kClientW - c.left - kGraphXMargin;
        for (std::size_t i = 0; i <= 10; ++i) {
            const GraphText& label = picture.labels[i];
            EXPECT_GE(label.x, 4) << label.text;
            EXPECT_EQ(label.x + font.textWidth(label.text), c.left - 2) << label.text;
        }
        const GraphText& lastX = picture.labels[16];
        EXPECT_EQ(lastX.x, c.left + pw - font.textWidth(lastX.text) / 2) << c.top;
        EXPECT_EQ(picture.grid.front(), (GraphSegment{c.left, 275, c.left + pw, 275}));
        EXPECT_EQ(picture.grid.back(), (GraphSegment{c.left + pw, 25, c.left + pw, 275}));
        EXPECT_EQ(picture.axes[0], (GraphSegment{c.left, 25, c.left, 275}));
        EXPECT_EQ(picture.margins[1], (GraphRect{0, 0, c.left, 300}));
        EXPECT_EQ(picture.margins[3], (GraphRect{c.left + pw, 0, 50, 300}));
        EXPECT_EQ(picture.curve.front().x1, c.left);
    }
}

TEST(GraphState, MappingAndOverloadAtTheTop) {
    GraphState state = MakeGraphState(kClientW, kClientH);
    SetGraphYRange(state, 10.0, -10.0);  // 0.08 per pixel
    const GraphMapping m = WindowMapping(state);
    EXPECT_EQ(m.PixelX(0), 50);
    EXPECT_EQ(m.PixelX(10), 300);
    EXPECT_EQ(m.PixelX(20), 550);
    EXPECT_EQ(m.PixelY(-10.0), 275);
    EXPECT_EQ(m.PixelY(0.0), 150);
    EXPECT_EQ(m.PixelY(10.0), 25);
    EXPECT_EQ(m.PixelY(1.0), 137);  // trunc(250 - 137.5) + 25
    EXPECT_EQ(m.PixelY(kGraphOverload), 25);
    EXPECT_EQ(m.PixelY(9e9), 25);
    EXPECT_EQ(m.NearestSample(300), 10);
    EXPECT_EQ(m.NearestSample(312), 10);
    EXPECT_EQ(m.NearestSample(313), 11);

    const std::vector<CObData> records = Records({1.0, kGraphOverload, 2.0});
    const GraphPicture picture = Paint(state, records);
    ASSERT_EQ(picture.curve.size(), 2u);
    EXPECT_EQ(picture.curve[0], (GraphSegment{50, 137, 75, 25}));
    EXPECT_EQ(picture.curve[1], (GraphSegment{75, 25, 100, 125}));
}

TEST(GraphState, NewestSegmentDrawsOneLineOrAsksForAFullRedraw) {
    using Step = NewestSegmentPlan::Step;
    GraphState state = MakeGraphState(kClientW, kClientH);
    SetGraphYRange(state, 10.0, -10.0);
    EXPECT_EQ(PlanNewestSegment(state, {}).step, Step::Nothing);
    EXPECT_EQ(PlanNewestSegment(state, Records({1.0})).step, Step::Nothing);

    const NewestSegmentPlan plan = PlanNewestSegment(state, Records({1.0, 2.0}));
    EXPECT_EQ(plan.step, Step::Segment);
    EXPECT_EQ(plan.segment, (GraphSegment{50, 137, 75, 125}));
    EXPECT_TRUE(plan.markers);  // 25 pixels per sample

    for (double outside : {kGraphOverload, 10.5, -10.5, std::nan("")}) {
        EXPECT_EQ(PlanNewestSegment(state, Records({1.0, outside})).step, Step::FullRedraw)
            << outside;
    }
    // The 22nd sample is beyond x end 20.
    EXPECT_EQ(PlanNewestSegment(state, Ramp(21)).step, Step::Segment);
    EXPECT_EQ(PlanNewestSegment(state, Ramp(22)).step, Step::FullRedraw);
    state.zoomed = true;
    EXPECT_EQ(PlanNewestSegment(state, Ramp(5)).step, Step::FullRedraw);
}

TEST(GraphState, MarkersWhileMoreThanThreePixelsPerSample) {
    // A 500-pixel plot shows markers up to about 167 samples.
    EXPECT_TRUE(GraphShowsMarkers(166.0 / 500));
    EXPECT_FALSE(GraphShowsMarkers(167.0 / 500));
    // With the X range grown by fifteenths: 157.6 samples wide, then 168.1.
    GraphState state = MakeGraphState(kClientW, kClientH);
    EXPECT_EQ(Paint(state, Ramp(150)).markers.size(), 150u);
    EXPECT_TRUE(Paint(state, Ramp(160)).markers.empty());
}

TEST(GraphState, ZoomedViewFollowsTheNewestSampleOnePerPaint) {
    GraphState state = MakeGraphState(kClientW, kClientH);
    state.zoomed = true;
    state.lines[0].xScale = 10.0 / 500;  // 10 samples wide from x left 0
    const std::vector<CObData> records = Ramp(15);
    Paint(state, records, true);
    EXPECT_EQ(state.lines[0].xLeft, 1.0);
    EXPECT_EQ(state.lines[0].xEnd, 14.0);
    Paint(state, records, true);
    EXPECT_EQ(state.lines[0].xLeft, 2.0);

    // Not while dragging, not once acquisition ended, not when it fits.
    state.dragging = true;
    Paint(state, records, true);
    state.dragging = false;
    Paint(state, records, false);
    EXPECT_EQ(state.lines[0].xLeft, 2.0);
    state.lines[0].xLeft = 5.0;
    Paint(state, records, true);
    EXPECT_EQ(state.lines[0].xLeft, 5.0);
}

TEST(GraphState, ResizeKeepsTheVisibleRangeOfAllLines) {
    GraphState state = MakeGraphState(kClientW, kClientH);
    SetGraphYRange(state, 7.0, -3.0);
    Paint(state, Ramp(300));
    state.lines[0].xLeft = 40.0;
    state.lines[0].yBottom = -1.0;
    auto visible = [](const GraphLine& line) {
        return std::vector<double>{line.xLeft, line.xLeft + line.xScale * line.plotWidth,
                                   line.yBottom, line.yBottom + line.yScale * line.plotHeight};
    };
    std::vector<std::vector<double>> before;
    for (const GraphLine& line : state.lines) {
        before.push_back(visible(line));
    }
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{1200, 700}, {317, 211}, {101, 51}, {900, 400}}) {
        ResizeGraph(state, w, h);
        for (std::size_t i = 0; i < state.lines.size(); ++i) {
            EXPECT_EQ(state.lines[i].plotWidth, w - 100);
            EXPECT_EQ(state.lines[i].plotHeight, h - 50);
            const std::vector<double> after = visible(state.lines[i]);
            for (std::size_t e = 0; e < after.size(); ++e) {
                EXPECT_NEAR(after[e], before[i][e], 1e-9) << w << "x" << h << " line " << i;
            }
        }
    }
}

TEST(GraphState, PanStaysInsideTheRangeAndResetViewShowsItAll) {
    GraphState state = MakeGraphState(kClientW, kClientH);
    SetGraphYRange(state, 10.0, -10.0);
    Paint(state, Ramp(400));
    const double xEnd = state.lines[0].xEnd;
    // Zoomed to a quarter of the range each way.
    state.lines[0].xScale /= 4;
    state.lines[0].yScale /= 4;
    state.zoomed = true;

    std::mt19937 random(7);
    std::uniform_int_distribution<int> step(-120, 120);
    for (int i = 0; i < 500; ++i) {
        state.currentPoint = {state.previousPoint.x + step(random),
                              state.previousPoint.y + step(random)};
        const GraphPoint target = state.currentPoint;
        ApplyPanStep(state);
        const GraphLine& line = state.lines[0];
        ASSERT_EQ(state.previousPoint, target);
        ASSERT_GE(line.xLeft, line.xHome - 1e-9);
        ASSERT_LE(line.xLeft + line.xScale * line.plotWidth, line.xEnd + 1e-9);
        ASSERT_GE(line.yBottom, line.yHome - 1e-9);
        ASSERT_LE(line.yBottom + line.yScale * line.plotHeight, line.yTop + 1e-9);
    }
    // Dragging right moves the content right: the view goes back in X.
    state.lines[0].xLeft = 100.0;
    state.previousPoint = {200, 100};
    state.currentPoint = {210, 100};
    ApplyPanStep(state);
    EXPECT_NEAR(state.lines[0].xLeft, 100.0 - 10 * state.lines[0].xScale, 1e-9);

    ResetGraphView(state, kClientW, kClientH);
    EXPECT_FALSE(state.zoomed);
    for (const GraphLine& line : state.lines) {
        EXPECT_EQ(line.xLeft, 0.0);
        EXPECT_EQ(line.yBottom, -10.0);
    }
    EXPECT_NEAR(state.lines[0].xScale * 500, xEnd, 1e-9);
    EXPECT_NEAR(state.lines[0].yScale * 250, 20.0, 1e-9);
}

TEST(GraphState, DamagedValuesAndDegenerateSizesStaySafe) {
    const std::vector<CObData> records =
        Records({std::nan(""), INFINITY, -INFINITY, -1e300, 1e300, 0.0, 5.0});
    for (const auto& [w, h] :
         std::vector<std::pair<int, int>>{{0, 0}, {60, 30}, {100, 50}, {800, 500}}) {
        GraphState state = MakeGraphState(w, h);
        SetGraphYRange(state, std::nan(""), 0.0);
        const GraphLine& line = state.lines[0];
        const double xScale = AdvanceGraphXRange(state, w - 100, line.xScale, 1000000, false);
        const GraphPicture picture =
            PlanGraph(state, records, w, h, xScale, line.yScale, 50, 25, SixPixelFont());
        EXPECT_EQ(picture.labels.size(), 17u);
    }
}

TEST(GraphState, YRangeOfAStoredDocument) {
    const GraphYRange wide = YRangeForExtremes(12.0, 2.0);
    EXPECT_DOUBLE_EQ(wide.top, 13.0);
    EXPECT_DOUBLE_EQ(wide.bottom, 1.0);
    const GraphYRange flat = YRangeForExtremes(5.0, 5.0);
    EXPECT_DOUBLE_EQ(flat.top, 5.01);
    EXPECT_DOUBLE_EQ(flat.bottom, 4.99);
}
