#include "display/GraphState.h"

#include "common/CLocaleFormat.h"
#include "display/GraphValueIndex.h"

#include <algorithm>
#include <cmath>

namespace {

// Pixel coordinates are kept well inside what the painter's fixed-point
// arithmetic takes; a point this far out is off the picture either way.
constexpr double kPixelLimit = 1 << 22;

// trunc(value) as an integer; out-of-range values are clamped and NaN gives 0,
// so damaged records or degenerate scales never make a conversion undefined.
long long TruncToInt(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<long long>(std::clamp(value, -kPixelLimit, kPixelLimit));
}

int ClampPixel(long long value) {
    return static_cast<int>(std::clamp<long long>(value, static_cast<long long>(-kPixelLimit),
                                                  static_cast<long long>(kPixelLimit)));
}

std::string Format(const char* format, double value) {
    return FormatInCLocale(format, value);
}

}  // namespace

int GraphPlotWidth(int clientWidth, int plotLeft) {
    return std::max(1, clientWidth - plotLeft - kGraphXMargin);
}

int GraphPlotHeight(int clientHeight) {
    return std::max(1, clientHeight - 2 * kGraphYMargin);
}

std::array<std::string, 11> GraphYLabelTexts(double yBottom, double yScale, int plotHeight) {
    std::array<std::string, 11> texts;
    for (int i = 0; i <= 10; ++i) {
        texts[static_cast<std::size_t>(i)] =
            Format("%.2f", (i * plotHeight / 10.0) * yScale + yBottom);
    }
    return texts;
}

int GraphFontPixelSize(int cellHeight, const std::function<int(int)>& cellHeightOf) {
    int size = std::max(1, cellHeight);
    while (size > 1 && cellHeightOf(size) > cellHeight) {
        --size;
    }
    return size;
}

int GraphPlotLeft(double yBottom, double yScale, int plotHeight, int xMargin,
                  const std::function<int(const std::string&)>& textWidth) {
    int widest = 0;
    for (const std::string& text : GraphYLabelTexts(yBottom, yScale, plotHeight)) {
        widest = std::max(widest, textWidth(text));
    }
    return std::max(xMargin, widest + kGraphLabelGap + kGraphLabelSpare);
}

bool SetGraphPlotLeft(GraphState& state, int clientWidth, int plotLeft) {
    if (plotLeft == state.plotLeft) {
        return false;
    }
    state.plotLeft = plotLeft;
    for (GraphLine& line : state.lines) {
        const double xRight = line.xScale * line.plotWidth + line.xLeft;
        line.plotWidth = GraphPlotWidth(clientWidth, plotLeft);
        line.xScale = (xRight - line.xLeft) / line.plotWidth;
    }
    return true;
}

GraphState MakeGraphState(int clientWidth, int clientHeight) {
    GraphState state;
    for (GraphLine& line : state.lines) {
        line.plotWidth = GraphPlotWidth(clientWidth);
        line.plotHeight = GraphPlotHeight(clientHeight);
        line.xScale = (line.xEnd - line.xLeft) / line.plotWidth;
        line.yScale = (line.yTop - line.yBottom) / line.plotHeight;
    }
    return state;
}

void SetGraphYRange(GraphState& state, double top, double bottom) {
    for (GraphLine& line : state.lines) {
        line.yTop = top;
        line.yHome = bottom;
        line.yBottom = bottom;
        line.yScale = (top - bottom) / line.plotHeight;
    }
    state.yZoomed = false;
    state.hasAutoYRange = false;
}

bool SetGraphAutoYRange(GraphState& state, double top, double bottom) {
    if (state.yZoomed) {
        state.hasAutoYRange = true;
        state.autoYTop = top;
        state.autoYBottom = bottom;
        return false;
    }
    SetGraphYRange(state, top, bottom);
    return true;
}

void NoteUserYView(GraphState& state, double yBottomBefore, double yScaleBefore) {
    const GraphLine& line = state.lines[0];
    const double halfPixel = 0.5 * std::fabs(yScaleBefore);
    const bool moved = std::fabs(line.yBottom - yBottomBefore) >= halfPixel;
    const bool scaled = line.yScale != yScaleBefore;
    if (moved || scaled) {
        state.yZoomed = true;
    }
}

void ResetGraphView(GraphState& state, int clientWidth, int clientHeight) {
    if (state.hasAutoYRange) {
        SetGraphYRange(state, state.autoYTop, state.autoYBottom);
    }
    state.yZoomed = false;
    for (GraphLine& line : state.lines) {
        line.plotWidth = GraphPlotWidth(clientWidth, state.plotLeft);
        line.plotHeight = GraphPlotHeight(clientHeight);
        line.xLeft = line.xHome;
        line.yBottom = line.yHome;
        line.xScale = (line.xEnd - line.xLeft) / line.plotWidth;
        line.yScale = (line.yTop - line.yBottom) / line.plotHeight;
    }
    state.zoomed = false;
}

void ResizeGraph(GraphState& state, int clientWidth, int clientHeight) {
    for (GraphLine& line : state.lines) {
        const double xRight = line.xScale * line.plotWidth + line.xLeft;
        const double yUp = line.yScale * line.plotHeight + line.yBottom;
        line.plotWidth = GraphPlotWidth(clientWidth, state.plotLeft);
        line.plotHeight = GraphPlotHeight(clientHeight);
        line.xScale = (xRight - line.xLeft) / line.plotWidth;
        line.yScale = (yUp - line.yBottom) / line.plotHeight;
    }
}

void ApplyPanStep(GraphState& state) {
    GraphLine& line = state.lines[0];
    const double yBottomBefore = line.yBottom;
    const int dy = state.currentPoint.y - state.previousPoint.y;
    const int dx = state.previousPoint.x - state.currentPoint.x;
    const double visibleY = line.plotHeight * line.yScale;
    const double visibleX = line.plotWidth * line.xScale;

    if (dy >= 0) {
        if (line.yBottom + visibleY < line.yTop) {
            line.yBottom += dy * line.yScale;
            line.yBottom = std::min(line.yBottom, line.yTop - visibleY);
        } else {
            line.yBottom = line.yTop - visibleY;
        }
    } else {
        if (line.yBottom > line.yHome) {
            line.yBottom -= -dy * line.yScale;
        }
        line.yBottom = std::max(line.yBottom, line.yHome);
    }

    if (dx >= 0) {
        if (line.xLeft + visibleX < line.xEnd) {
            line.xLeft += dx * line.xScale;
            line.xLeft = std::min(line.xLeft, line.xEnd - visibleX);
        } else {
            line.xLeft = line.xEnd - visibleX;
        }
    } else {
        if (line.xLeft > line.xHome) {
            line.xLeft -= -dx * line.xScale;
        }
        line.xLeft = std::max(line.xLeft, line.xHome);
    }
    state.previousPoint = state.currentPoint;
    NoteUserYView(state, yBottomBefore, line.yScale);
}

int GraphMapping::PixelX(double sample) const {
    return ClampPixel(TruncToInt(sample / xScale) + xMargin - TruncToInt((xLeft - xHome) / xScale));
}

int GraphMapping::PixelY(double value) const {
    const double v = value >= kGraphOverload ? yTop : value;
    return ClampPixel(TruncToInt((yBottom - yHome) / yScale - (v - yHome) / yScale + plotHeight) +
                      yMargin);
}

long long GraphMapping::NearestSample(int pixelX) const {
    return TruncToInt((pixelX - xMargin) * xScale + (xLeft - xHome) + 0.5);
}

GraphMapping WindowMapping(const GraphState& state) {
    const GraphLine& line = state.lines[0];
    GraphMapping mapping;
    mapping.xScale = line.xScale;
    mapping.yScale = line.yScale;
    mapping.xLeft = line.xLeft;
    mapping.xHome = line.xHome;
    mapping.yBottom = line.yBottom;
    mapping.yHome = line.yHome;
    mapping.yTop = line.yTop;
    mapping.plotHeight = line.plotHeight;
    mapping.xMargin = state.plotLeft;
    return mapping;
}

bool GraphShowsMarkers(double xScale) {
    return 2.0 / xScale > 6.0;
}

double AdvanceGraphXRange(GraphState& state, int plotWidth, double xScale, std::size_t n,
                          bool acquiring) {
    GraphLine& line = state.lines[0];
    const double newest = static_cast<double>(n) - 1.0;
    if (state.zoomed) {
        if (plotWidth * xScale <= newest - line.xLeft && !state.dragging && acquiring) {
            line.xLeft += 1.0;
            line.xEnd = newest;
        }
        return xScale;
    }
    // A degenerate plot or scale could never reach the newest sample.
    if (plotWidth <= 0 || !(xScale > 0.0) || !std::isfinite(xScale)) {
        return xScale;
    }
    while (newest > line.xEnd && std::isfinite(line.xEnd)) {
        xScale = (plotWidth * xScale * 16.0 / 15.0) / plotWidth;
        line.xEnd = plotWidth * xScale;
        line.xScale = (line.plotWidth * line.xScale * 16.0 / 15.0) / line.plotWidth;
    }
    return xScale;
}

namespace {

// The last sample of first … last that maps to pixel column x, given that
// first does. Pixel x is monotonic in the sample for a positive finite scale,
// so the column's end is found by galloping and bisection; otherwise sample by
// sample.
std::size_t ColumnEnd(const GraphMapping& mapping, std::size_t first, std::size_t last, int x) {
    const bool monotonic = mapping.xScale > 0.0 && std::isfinite(mapping.xScale);
    auto inColumn = [&](std::size_t k) { return mapping.PixelX(static_cast<double>(k)) == x; };
    if (!monotonic) {
        std::size_t end = first;
        while (end < last && inColumn(end + 1)) {
            ++end;
        }
        return end;
    }
    std::size_t inside = first;
    std::size_t step = 1;
    while (step <= last - inside && inColumn(inside + step)) {
        inside += step;
        step *= 2;
    }
    // inside is in the column; outside is not (or lies past last).
    std::size_t outside = step <= last - inside ? inside + step : last + 1;
    while (outside - inside > 1) {
        const std::size_t middle = inside + (outside - inside) / 2;
        if (inColumn(middle)) {
            inside = middle;
        } else {
            outside = middle;
        }
    }
    return inside;
}

// Smallest and largest pixel y of samples first … last. Pixel y is monotonic
// in the value for a finite non-zero scale and finite offsets, so the value
// extremes decide it; otherwise every sample is mapped.
std::pair<int, int> ColumnYExtent(const GraphMapping& mapping, std::span<const CObData> records,
                                  std::size_t first, std::size_t last,
                                  const CGraphValueIndex* index) {
    const bool monotonic = std::isfinite(mapping.yScale) && mapping.yScale != 0.0 &&
                           std::isfinite(mapping.yHome) && std::isfinite(mapping.yBottom);
    int low = mapping.PixelY(records[first].value);
    int high = low;
    auto add = [&](double value) {
        const int y = mapping.PixelY(value);
        low = std::min(low, y);
        high = std::max(high, y);
    };
    if (!monotonic) {
        for (std::size_t k = first + 1; k <= last; ++k) {
            add(records[k].value);
        }
        return {low, high};
    }
    const GraphValueExtremes extremes = index != nullptr
                                            ? index->Extremes(records, first, last, mapping.yTop)
                                            : ScanValueExtremes(records, first, last, mapping.yTop);
    if (extremes.any) {
        add(extremes.low);
        add(extremes.high);
    }
    if (extremes.nan) {
        add(std::nan(""));
    }
    return {low, high};
}

}  // namespace

void AppendCurve(const GraphMapping& mapping, std::span<const CObData> records, std::size_t first,
                 std::size_t last, const CGraphValueIndex* index, std::vector<GraphSegment>& out) {
    if (first >= last || last >= records.size()) {
        return;
    }
    bool joined = false;  // a column before this one exists
    int previousX = 0;
    int previousLastY = 0;
    for (std::size_t k = first; k <= last;) {
        const int x = mapping.PixelX(static_cast<double>(k));
        const std::size_t end = ColumnEnd(mapping, k, last, x);
        const int firstY = mapping.PixelY(records[k].value);
        if (joined) {
            out.push_back({previousX, previousLastY, x, firstY});
        }
        if (end > k) {
            const auto [low, high] = ColumnYExtent(mapping, records, k, end, index);
            out.push_back({x, low, x, high});
        }
        joined = true;
        previousX = x;
        previousLastY = end > k ? mapping.PixelY(records[end].value) : firstY;
        k = end + 1;
    }
}

GraphPicture PlanGraph(const GraphState& state, std::span<const CObData> records, int width,
                       int height, double xScale, double yScale, int xMargin, int yMargin,
                       const GraphTextMetrics& metrics, const CGraphValueIndex* index) {
    const GraphLine& line = state.lines[0];
    const int ph = height - 2 * yMargin;
    const int left = GraphPlotLeft(line.yBottom, yScale, ph, xMargin, metrics.textWidth);
    const int pw = width - left - xMargin;
    GraphPicture picture;

    for (int i = 0; i <= 10; ++i) {
        const int y = ph + yMargin - i * ph / 10;
        picture.grid.push_back({left, y, pw + left, y});
    }
    for (int j = 0; j <= 5; ++j) {
        const int x = j * pw / 5 + left;
        picture.grid.push_back({x, yMargin, x, ph + yMargin});
    }

    GraphMapping mapping;
    mapping.xScale = xScale;
    mapping.yScale = yScale;
    mapping.xLeft = line.xLeft;
    mapping.xHome = line.xHome;
    mapping.yBottom = line.yBottom;
    mapping.yHome = line.yHome;
    mapping.yTop = line.yTop;
    mapping.plotHeight = ph;
    mapping.xMargin = left;
    mapping.yMargin = yMargin;

    for (const std::optional<double>& limit : {state.highLimit, state.lowLimit}) {
        const int y = limit ? mapping.PixelY(*limit) : -1;
        if (limit && y >= yMargin && y <= ph + yMargin) {
            picture.limits.push_back({xMargin, y, pw + xMargin, y});
        }
    }

    const long long n = static_cast<long long>(records.size());
    if (n > 1) {
        const long long first = std::max(0LL, TruncToInt(line.xLeft));
        const long long last = std::min(n, TruncToInt(pw * xScale + line.xLeft + 2.0));
        if (first < last - 1) {
            AppendCurve(mapping, records, static_cast<std::size_t>(first),
                        static_cast<std::size_t>(last - 1), index, picture.curve);
            if (GraphShowsMarkers(xScale)) {
                for (long long k = first; k < last; ++k) {
                    picture.markers.push_back(
                        {mapping.PixelX(static_cast<double>(k)),
                         mapping.PixelY(records[static_cast<std::size_t>(k)].value)});
                }
            }
        }
    }

    // The bands keep the heights of the x margin below and beside the plot,
    // as the window's bands reach its bottom edge.
    const int right = pw + left;
    picture.margins = {{{0, 0, right + xMargin, yMargin},
                        {0, 0, left, ph + xMargin},
                        {0, ph + yMargin, right + xMargin, xMargin - yMargin},
                        {right, 0, xMargin, ph + xMargin}}};
    picture.axes = {
        {{left, yMargin, left, ph + yMargin}, {left, ph + yMargin, right, ph + yMargin}}};

    const int lineHeight = metrics.lineHeight;
    std::array<std::string, 11> texts = GraphYLabelTexts(line.yBottom, yScale, ph);
    for (int i = 0; i <= 10; ++i) {
        std::string& text = texts[static_cast<std::size_t>(i)];
        const int textWidth = metrics.textWidth(text);
        picture.labels.push_back({left - textWidth - kGraphLabelGap,
                                  ph + yMargin - i * ph / 10 - lineHeight / 2, std::move(text)});
    }
    for (int j = 0; j <= 5; ++j) {
        const long long g = TruncToInt(pw * xScale * j / 5 + 0.5);
        std::string text = std::to_string(TruncToInt(static_cast<double>(g) + line.xLeft));
        const int textWidth = metrics.textWidth(text);
        picture.labels.push_back(
            {j * pw / 5 + left - textWidth / 2, ph + yMargin + lineHeight / 2, std::move(text)});
    }
    return picture;
}

NewestSegmentPlan PlanNewestSegment(const GraphState& state, std::span<const CObData> records) {
    NewestSegmentPlan plan;
    const std::size_t n = records.size();
    if (n == 0) {
        return plan;
    }
    const GraphLine& line = state.lines[0];
    // The newest sample's X is its position, which is its sequence number for
    // a live record.
    const double newestX = static_cast<double>(n - 1);
    const double value = records[n - 1].value;
    if (newestX > line.xEnd || value > line.yTop || value < line.yHome || std::isnan(value) ||
        state.zoomed) {
        plan.step = NewestSegmentPlan::Step::FullRedraw;
        return plan;
    }
    if (n < 2) {
        return plan;
    }
    const GraphMapping mapping = WindowMapping(state);
    plan.step = NewestSegmentPlan::Step::Segment;
    plan.segment = {mapping.PixelX(static_cast<double>(n - 2)),
                    mapping.PixelY(records[n - 2].value), mapping.PixelX(newestX),
                    mapping.PixelY(value)};
    plan.markers = GraphShowsMarkers(line.xScale);
    return plan;
}

GraphRect WindowPlotInterior(const GraphState& state) {
    const GraphLine& line = state.lines[0];
    return {state.plotLeft + 1, kGraphYMargin, line.plotWidth - 1, line.plotHeight};
}

GraphYRange YRangeForExtremes(double maximum, double minimum) {
    double span = (maximum - minimum) / 10.0;
    if (span < 0.01) {
        span = 0.01;
    }
    return {maximum + span, minimum - span};
}
