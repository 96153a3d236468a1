#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "display/GraphState.h"

// The arithmetic of the graph's mouse tools and of the wheel, over the graph
// state. Points are client pixels of the graph window: the plot starts at
// the state's plot left (50, or more when a value label needs the room) and
// 25 pixels from the top, and ends 50 pixels before the right edge.
// The widget decides when a gesture happens; these functions only change the
// ranges and scales.

// Strictly inside the plot: left < x < plot width + left, 25 < y < plot height
// + 25, with left the plot's left edge.
bool InsidePlot(const GraphState& state, GraphPoint point);

// The band a rectangle or FFT drag may wander in before it is abandoned:
// 4 <= x < left + plot width + 47, 4 <= y < plot height + 47.
bool InsideDragBand(const GraphState& state, GraphPoint point);

// The point moved onto the plot's edges when it lies beyond them.
GraphPoint ClampToPlot(const GraphState& state, GraphPoint point);

// The record nearest to pixel x (may be negative or past the last record).
long long NearestSampleAt(const GraphState& state, int x);

// Drag zooms stop once a scale is this small. The zoom tools change a scale
// by kZoomStep, and zoom in only while the scale is above it.
inline constexpr double kDragZoomLimit = 0.005;
inline constexpr double kZoomStep = 0.02;

// Drags of this many pixels or fewer along an axis do not zoom that axis.
inline constexpr int kDragDeadZone = 4;

// Tool 1 released at `release` after a press at state.pressPoint: the marked
// rectangle fills the plot (first line). Returns whether the view changed.
bool ApplyRectZoom(GraphState& state, GraphPoint release);

// Tool 2: the marked Y stretch fills the plot height (all three lines).
bool ApplyYZoom(GraphState& state, GraphPoint release);

// Tool 3: the marked X stretch fills the plot width (all three lines).
bool ApplyXZoom(GraphState& state, GraphPoint release);

// Tool 6: both scales shrink by 0.02 while above 0.02; left and bottom edges stay.
void ApplyZoomIn(GraphState& state);

// Tool 7: while the view ends short of x end (y top), the scale grows by 0.02,
// at most to the home range's width (height) over the plot. Left and bottom
// edges stay.
void ApplyZoomOut(GraphState& state);

// Tool 8: the records between the press and the release x, smaller index
// first, clamped to the last record. Nothing when either end lies left of the
// first record or both ends fall on the same record.
struct RecordRange {
    std::size_t first = 0;
    std::size_t last = 0;
    bool operator==(const RecordRange&) const = default;
};
std::optional<RecordRange> FftRangeOf(const GraphState& state, int pressX, int releaseX,
                                      std::size_t recordCount);

// The wheel: X (or Y) scale multiplied by factor (below 1 zooms in) around the
// data under the pointer, all three lines. Zoom in stops at the drag zoom
// limit, zoom out at the home range, and the view stays inside the home range.
// An X zoom in switches X to following the newest sample, as tool 3 does.
// Returns whether the view changed.
bool ZoomXAround(GraphState& state, int pointerX, double factor);
bool ZoomYAround(GraphState& state, int pointerY, double factor);

// The point inspector's five texts for record `index`.
struct ShowDataTexts {
    std::string num;
    std::string time;
    std::string value;
    std::string unit;
    std::string type;
    bool operator==(const ShowDataTexts&) const = default;
};
ShowDataTexts FormatShowData(long long index, const CObData& record);
