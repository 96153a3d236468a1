#include "display/GraphTools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/CLocaleFormat.h"

namespace {

int PlotRight(const GraphState& state, const GraphLine& line) {
    return line.plotWidth + state.plotLeft;
}

int PlotBottom(const GraphLine& line) {
    return line.plotHeight + kGraphYMargin;
}

bool Usable(double scale) {
    return scale > 0.0 && std::isfinite(scale);
}

// The stretch from pressX to x (both on the plot, which starts at plotLeft)
// fills the plot width.
void ZoomLineX(GraphLine& line, int plotLeft, int pressX, int x) {
    const int plotRight = line.plotWidth + plotLeft;
    pressX = std::clamp(pressX, plotLeft, plotRight);
    x = std::clamp(x, plotLeft, plotRight);
    if (x == pressX) {
        return;
    }
    line.xLeft += (std::min(pressX, x) - plotLeft) * line.xScale;
    line.xScale = std::abs(x - pressX) * line.xScale / line.plotWidth;
}

// The stretch from pressY to y (both on the plot) fills the plot height.
void ZoomLineY(GraphLine& line, int pressY, int y) {
    pressY = std::clamp(pressY, kGraphYMargin, PlotBottom(line));
    y = std::clamp(y, kGraphYMargin, PlotBottom(line));
    if (y == pressY) {
        return;
    }
    line.yBottom += (PlotBottom(line) - std::max(pressY, y)) * line.yScale;
    line.yScale = std::abs(y - pressY) * line.yScale / line.plotHeight;
}

// low … low + visible kept inside home … end where it fits.
double KeepInside(double low, double visible, double home, double end) {
    return std::max(home, std::min(low, end - visible));
}

// The new scale of one wheel step, or nothing when the limits stop it.
std::optional<double> WheelScale(double scale, double factor, double homeScale) {
    if (!Usable(scale) || !Usable(factor) || factor == 1.0) {
        return std::nullopt;
    }
    if (factor < 1.0) {
        if (scale <= kDragZoomLimit) {
            return std::nullopt;
        }
        return std::max(scale * factor, kDragZoomLimit);
    }
    if (!(scale < homeScale)) {
        return std::nullopt;
    }
    return std::min(scale * factor, homeScale);
}

std::string FormatDouble(const char* format, double value) {
    return FormatInCLocale(format, value);
}

}  // namespace

bool InsidePlot(const GraphState& state, GraphPoint point) {
    const GraphLine& line = state.lines[0];
    return point.x > state.plotLeft && point.x < PlotRight(state, line) &&
           point.y > kGraphYMargin && point.y < PlotBottom(line);
}

bool InsideDragBand(const GraphState& state, GraphPoint point) {
    const GraphLine& line = state.lines[0];
    return point.x >= 4 && point.x < PlotRight(state, line) + kGraphXMargin - 3 && point.y >= 4 &&
           point.y < line.plotHeight + 47;
}

GraphPoint ClampToPlot(const GraphState& state, GraphPoint point) {
    const GraphLine& line = state.lines[0];
    return {std::clamp(point.x, state.plotLeft, PlotRight(state, line)),
            std::clamp(point.y, kGraphYMargin, PlotBottom(line))};
}

long long NearestSampleAt(const GraphState& state, int x) {
    return WindowMapping(state).NearestSample(x);
}

bool ApplyRectZoom(GraphState& state, GraphPoint release) {
    const GraphPoint press = state.pressPoint;
    if (std::abs(release.x - press.x) <= kDragDeadZone ||
        std::abs(release.y - press.y) <= kDragDeadZone) {
        return false;
    }
    GraphLine& line = state.lines[0];
    const double yBottomBefore = line.yBottom;
    const double yScaleBefore = line.yScale;
    bool changed = false;
    if (line.xScale > kDragZoomLimit) {
        ZoomLineX(line, state.plotLeft, press.x, release.x);
        changed = true;
    }
    if (line.yScale > kDragZoomLimit) {
        ZoomLineY(line, press.y, release.y);
        changed = true;
    }
    state.zoomed = state.zoomed || changed;
    NoteUserYView(state, yBottomBefore, yScaleBefore);
    return changed;
}

bool ApplyYZoom(GraphState& state, GraphPoint release) {
    if (std::abs(release.y - state.pressPoint.y) <= kDragDeadZone) {
        return false;
    }
    const double yBottomBefore = state.lines[0].yBottom;
    const double yScaleBefore = state.lines[0].yScale;
    bool changed = false;
    for (GraphLine& line : state.lines) {
        if (line.yScale > kDragZoomLimit) {
            ZoomLineY(line, state.pressPoint.y, release.y);
            changed = true;
        }
    }
    NoteUserYView(state, yBottomBefore, yScaleBefore);
    return changed;
}

bool ApplyXZoom(GraphState& state, GraphPoint release) {
    if (std::abs(release.x - state.pressPoint.x) <= kDragDeadZone) {
        return false;
    }
    bool changed = false;
    for (GraphLine& line : state.lines) {
        if (line.xScale > kDragZoomLimit) {
            ZoomLineX(line, state.plotLeft, state.pressPoint.x, release.x);
            changed = true;
        }
    }
    state.zoomed = state.zoomed || changed;
    return changed;
}

void ApplyZoomIn(GraphState& state) {
    GraphLine& line = state.lines[0];
    if (line.xScale > kZoomStep) {
        line.xScale -= kZoomStep;
    }
    if (line.yScale > kZoomStep) {
        line.yScale -= kZoomStep;
        state.yZoomed = true;
    }
}

void ApplyZoomOut(GraphState& state) {
    GraphLine& line = state.lines[0];
    if ((line.xEnd - line.xLeft) / line.plotWidth > line.xScale) {
        line.xScale = std::min(line.xScale + kZoomStep, (line.xEnd - line.xHome) / line.plotWidth);
    }
    if ((line.yTop - line.yBottom) / line.plotHeight > line.yScale) {
        line.yScale = std::min(line.yScale + kZoomStep, (line.yTop - line.yHome) / line.plotHeight);
        state.yZoomed = true;
    }
}

std::optional<RecordRange> FftRangeOf(const GraphState& state, int pressX, int releaseX,
                                      std::size_t recordCount) {
    const long long a = NearestSampleAt(state, pressX);
    const long long b = NearestSampleAt(state, releaseX);
    if (a < 0 || b < 0 || recordCount == 0) {
        return std::nullopt;
    }
    const auto last = static_cast<long long>(recordCount) - 1;
    const auto first = static_cast<std::size_t>(std::min({a, b, last}));
    const auto end = static_cast<std::size_t>(std::min(std::max(a, b), last));
    if (first == end) {
        return std::nullopt;
    }
    return RecordRange{first, end};
}

bool ZoomXAround(GraphState& state, int pointerX, double factor) {
    bool changed = false;
    for (GraphLine& line : state.lines) {
        const std::optional<double> scale =
            WheelScale(line.xScale, factor, (line.xEnd - line.xHome) / line.plotWidth);
        if (!scale) {
            continue;
        }
        const int offset =
            std::clamp(pointerX, state.plotLeft, PlotRight(state, line)) - state.plotLeft;
        const double anchor = line.xLeft + offset * line.xScale;
        line.xScale = *scale;
        line.xLeft = KeepInside(anchor - offset * line.xScale, line.plotWidth * line.xScale,
                                line.xHome, line.xEnd);
        changed = true;
    }
    if (changed && factor < 1.0) {
        state.zoomed = true;
    }
    return changed;
}

bool ZoomYAround(GraphState& state, int pointerY, double factor) {
    const double yBottomBefore = state.lines[0].yBottom;
    const double yScaleBefore = state.lines[0].yScale;
    bool changed = false;
    for (GraphLine& line : state.lines) {
        const std::optional<double> scale =
            WheelScale(line.yScale, factor, (line.yTop - line.yHome) / line.plotHeight);
        if (!scale) {
            continue;
        }
        const int offset = PlotBottom(line) - std::clamp(pointerY, kGraphYMargin, PlotBottom(line));
        const double anchor = line.yBottom + offset * line.yScale;
        line.yScale = *scale;
        line.yBottom = KeepInside(anchor - offset * line.yScale, line.plotHeight * line.yScale,
                                  line.yHome, line.yTop);
        changed = true;
    }
    NoteUserYView(state, yBottomBefore, yScaleBefore);
    return changed;
}

ShowDataTexts FormatShowData(long long index, const CObData& record) {
    ShowDataTexts texts;
    texts.num = std::to_string(index);
    texts.time = record.timeText;
    texts.value = record.value >= kGraphOverload ? "OL" : FormatDouble("%.4f", record.value);
    texts.unit = record.unit;
    texts.type = record.typeText;
    return texts;
}
