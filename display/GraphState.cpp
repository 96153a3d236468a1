#include "display/GraphState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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
    const int size = std::snprintf(nullptr, 0, format, value);
    std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, value);
    return text;
}

}  // namespace

int GraphPlotWidth(int clientWidth) {
    return std::max(1, clientWidth - 2 * kGraphXMargin);
}

int GraphPlotHeight(int clientHeight) {
    return std::max(1, clientHeight - 2 * kGraphYMargin);
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
}

void ResetGraphView(GraphState& state, int clientWidth, int clientHeight) {
    for (GraphLine& line : state.lines) {
        line.plotWidth = GraphPlotWidth(clientWidth);
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
        line.plotWidth = GraphPlotWidth(clientWidth);
        line.plotHeight = GraphPlotHeight(clientHeight);
        line.xScale = (xRight - line.xLeft) / line.plotWidth;
        line.yScale = (yUp - line.yBottom) / line.plotHeight;
    }
}

void ApplyPanStep(GraphState& state) {
    GraphLine& line = state.lines[0];
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

void AppendCurve(const GraphMapping& mapping, std::span<const CObData> records, std::size_t first,
                 std::size_t last, std::vector<GraphSegment>& out) {
    if (first >= last || last >= records.size()) {
        return;
    }
    // The column being collected: its x, the y of its first and last sample,
    // its y extent and how many samples fell into it.
    int columnX = mapping.PixelX(static_cast<double>(first));
    int firstY = mapping.PixelY(records[first].value);
    int lastY = firstY;
    int lowY = firstY;
    int highY = firstY;
    std::size_t count = 1;
    auto closeColumn = [&] {
        if (count > 1) {
            out.push_back({columnX, lowY, columnX, highY});
        }
    };
    for (std::size_t k = first + 1; k <= last; ++k) {
        const int x = mapping.PixelX(static_cast<double>(k));
        const int y = mapping.PixelY(records[k].value);
        if (x == columnX) {
            lastY = y;
            lowY = std::min(lowY, y);
            highY = std::max(highY, y);
            ++count;
            continue;
        }
        closeColumn();
        out.push_back({columnX, lastY, x, y});
        columnX = x;
        firstY = lastY = lowY = highY = y;
        count = 1;
    }
    closeColumn();
}

GraphPicture PlanGraph(const GraphState& state, std::span<const CObData> records, int width,
                       int height, double xScale, double yScale, int xMargin, int yMargin,
                       const GraphTextMetrics& metrics) {
    const GraphLine& line = state.lines[0];
    const int pw = width - 2 * xMargin;
    const int ph = height - 2 * yMargin;
    GraphPicture picture;

    for (int i = 0; i <= 10; ++i) {
        const int y = ph + yMargin - i * ph / 10;
        picture.grid.push_back({xMargin, y, pw + xMargin, y});
    }
    for (int j = 0; j <= 5; ++j) {
        const int x = j * pw / 5 + xMargin;
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
    mapping.xMargin = xMargin;
    mapping.yMargin = yMargin;

    const long long n = static_cast<long long>(records.size());
    if (n > 1) {
        const long long first = std::max(0LL, TruncToInt(line.xLeft));
        const long long last = std::min(n, TruncToInt(pw * xScale + line.xLeft + 2.0));
        if (first < last - 1) {
            AppendCurve(mapping, records, static_cast<std::size_t>(first),
                        static_cast<std::size_t>(last - 1), picture.curve);
            if (GraphShowsMarkers(xScale)) {
                for (long long k = first; k < last; ++k) {
                    picture.markers.push_back(
                        {mapping.PixelX(static_cast<double>(k)),
                         mapping.PixelY(records[static_cast<std::size_t>(k)].value)});
                }
            }
        }
    }

    picture.margins = {{{0, 0, pw + 2 * xMargin, yMargin},
                        {0, 0, xMargin, ph + xMargin},
                        {0, ph + yMargin, pw + 2 * xMargin, xMargin - yMargin},
                        {pw + xMargin, 0, xMargin, ph + xMargin}}};
    picture.axes = {{{xMargin, yMargin, xMargin, ph + yMargin},
                     {xMargin, ph + yMargin, pw + xMargin, ph + yMargin}}};

    const int lineHeight = metrics.lineHeight;
    for (int i = 0; i <= 10; ++i) {
        std::string text = Format("%.2f", (i * ph / 10.0) * yScale + line.yBottom);
        const int textWidth = metrics.textWidth(text);
        picture.labels.push_back({xMargin - textWidth - 2,
                                  ph + yMargin - i * ph / 10 - lineHeight / 2, std::move(text)});
    }
    for (int j = 0; j <= 5; ++j) {
        const long long g = TruncToInt(pw * xScale * j / 5 + 0.5);
        std::string text = std::to_string(TruncToInt(static_cast<double>(g) + line.xLeft));
        const int textWidth = metrics.textWidth(text);
        picture.labels.push_back(
            {j * pw / 5 + xMargin - textWidth / 2, ph + yMargin + lineHeight / 2, std::move(text)});
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
    return {kGraphXMargin + 1, kGraphYMargin, line.plotWidth - 1, line.plotHeight};
}

GraphYRange YRangeForExtremes(double maximum, double minimum) {
    double span = (maximum - minimum) / 10.0;
    if (span < 0.01) {
        span = 0.01;
    }
    return {maximum + span, minimum - span};
}
