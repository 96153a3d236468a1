#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/ObData.h"

class CGraphValueIndex;

// The real-time graph without widgets: its state, the mapping between samples,
// values and pixels, the range rules, and what one picture of it consists of.
// The widget layer only carries the pictures out.

struct GraphRgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const GraphRgb&) const = default;
};

struct GraphPoint {
    int x = 0;
    int y = 0;
    bool operator==(const GraphPoint&) const = default;
};

// The scales and ranges of one line. The graph keeps three of them; only the
// first is drawn.
struct GraphLine {
    double xScale = 0.0;  // samples per pixel
    double yScale = 0.0;  // value units per pixel
    double xEnd = 20.0;   // largest X the view may show; grows with the data
    double yTop = 500.0;
    double xHome = 0.0;
    double yHome = -500.0;
    double xLeft = 0.0;  // X at the left edge of the plot
    double yBottom = -500.0;
    int plotWidth = 1;
    int plotHeight = 1;

    bool operator==(const GraphLine&) const = default;
};

// Margins around the plot area of the window; printing passes its own.
inline constexpr int kGraphXMargin = 50;
inline constexpr int kGraphYMargin = 25;
// The label font's cell height (ascent plus descent), not its em.
inline constexpr int kGraphFontHeight = 16;

// A value label ends this far left of the axis, and a label too wide for the
// x margin moves the plot's left edge right until it keeps this much room to
// the picture's edge.
inline constexpr int kGraphLabelGap = 2;
inline constexpr int kGraphLabelSpare = 4;

// A value at or above this is an overload and plots at the top of the range.
inline constexpr double kGraphOverload = 500000.0;

// The graph's mouse tools. The numbers are the ones the graph has always
// given them.
enum class GraphTool {
    RectZoom = 1,
    YZoom = 2,
    XZoom = 3,
    Move = 4,
    Show = 5,  // the point inspector
    ZoomIn = 6,
    ZoomOut = 7,
    FftRange = 8,
};

inline constexpr std::array<GraphTool, 8> kGraphTools = {
    GraphTool::RectZoom, GraphTool::YZoom,  GraphTool::XZoom,   GraphTool::Move,
    GraphTool::Show,     GraphTool::ZoomIn, GraphTool::ZoomOut, GraphTool::FftRange,
};

struct GraphState {
    GraphRgb background{131, 180, 170};
    GraphRgb border{236, 233, 216};
    GraphRgb grid{255, 0, 0};
    std::array<GraphRgb, 3> lineColours{{{40, 180, 120}, {0, 200, 200}, {0, 0, 255}}};
    std::array<GraphLine, 3> lines;
    // High and low limits of the readings, drawn as horizontal lines.
    std::optional<double> highLimit;
    std::optional<double> lowLimit;
    GraphRgb limitColour{255, 128, 0};

    GraphTool tool = GraphTool::RectZoom;
    bool dragging = false;
    GraphPoint pressPoint;
    GraphPoint currentPoint;
    GraphPoint previousPoint;
    bool zoomed = false;  // X follows the newest sample instead of growing
    int selectedIndex = 0;

    // The window's plot starts here: the x margin, or further right when a
    // value label needs the room (SetGraphPlotLeft).
    int plotLeft = kGraphXMargin;

    // The user zoomed or panned in Y: automatic ranges wait in autoYRange
    // until the All command, instead of undoing the user's view.
    bool yZoomed = false;
    bool hasAutoYRange = false;
    double autoYTop = 0.0;
    double autoYBottom = 0.0;
};

// Plot size of a client area (never below one pixel, so the scales stay finite).
int GraphPlotWidth(int clientWidth, int plotLeft = kGraphXMargin);
int GraphPlotHeight(int clientHeight);

// The eleven value labels of a plot plotHeight pixels high, bottom first:
// "%.2f" of (i · plotHeight / 10) · yScale + yBottom.
std::array<std::string, 11> GraphYLabelTexts(double yBottom, double yScale, int plotHeight);

// The largest pixel size (at least 1) whose font cell height, as
// cellHeightOf measures it for a pixel size, is at most cellHeight: fonts are
// asked for by their em, while the graph names the height of their cell.
int GraphFontPixelSize(int cellHeight, const std::function<int(int)>& cellHeightOf);

// The plot's left edge: the x margin, or the widest value label plus the gap
// to the axis and the spare room, whichever is larger.
int GraphPlotLeft(double yBottom, double yScale, int plotHeight, int xMargin,
                  const std::function<int(const std::string&)>& textWidth);

// The window's plot left edge moves to plotLeft for a client clientWidth
// wide; the same X range stays visible (all three lines). Returns whether it
// moved.
bool SetGraphPlotLeft(GraphState& state, int clientWidth, int plotLeft);

// A new graph for a client area: plot size and scales from the initial ranges.
GraphState MakeGraphState(int clientWidth, int clientHeight);

// y top = top, y home = y bottom = bottom, y scale to fit; all three lines.
// The user's Y zoom ends with it.
void SetGraphYRange(GraphState& state, double top, double bottom);

// A range the graph picks for itself (a live reading's full scale): applied
// as SetGraphYRange unless the user has zoomed or panned in Y, and otherwise
// kept for the All command. Returns whether it was applied.
bool SetGraphAutoYRange(GraphState& state, double top, double bottom);

// Marks a Y view the user chose when the bottom or the scale of the first
// line moved from the given values by half a pixel or more.
void NoteUserYView(GraphState& state, double yBottomBefore, double yScaleBefore);

// The whole recording, unzoomed, for a client area; all three lines. An
// automatic Y range that waited for it is applied first.
void ResetGraphView(GraphState& state, int clientWidth, int clientHeight);

// New client size; the same data range stays visible. All three lines.
void ResizeGraph(GraphState& state, int clientWidth, int clientHeight);

// One step of the move tool from the previous to the current point; the view
// stays inside x home … x end and y home … y top. First line only.
void ApplyPanStep(GraphState& state);

// Pixel mapping for one drawing: the first line's ranges with the scales,
// plot height and margins of the target.
struct GraphMapping {
    double xScale = 1.0;
    double yScale = 1.0;
    double xLeft = 0.0;
    double xHome = 0.0;
    double yBottom = 0.0;
    double yHome = 0.0;
    double yTop = 0.0;
    int plotHeight = 1;
    int xMargin = kGraphXMargin;
    int yMargin = kGraphYMargin;

    int PixelX(double sample) const;
    int PixelY(double value) const;  // overloads map to y top
    long long NearestSample(int pixelX) const;
};

// The mapping of the window itself (the first line's own scales and plot size).
GraphMapping WindowMapping(const GraphState& state);

// More than three pixels per sample: every sample gets a marker.
bool GraphShowsMarkers(double xScale);

// The X range step a paint takes before drawing n records into a plot PW
// pixels wide at xScale: unzoomed, the range grows by fifteenths until it
// holds the newest sample; zoomed, while acquiring and not dragging, it moves
// one sample on once the newest sample is past the right edge. Returns the
// scale to draw with; the first line's own scale is widened alike.
double AdvanceGraphXRange(GraphState& state, int plotWidth, double xScale, std::size_t n,
                          bool acquiring);

struct GraphSegment {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool operator==(const GraphSegment&) const = default;
};

struct GraphRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const GraphRect&) const = default;
};

struct GraphText {
    int x = 0;  // left edge
    int y = 0;  // top of the text line
    std::string text;
    bool operator==(const GraphText&) const = default;
};

// What the drawing surface tells the layout about its font.
struct GraphTextMetrics {
    int lineHeight = 0;  // text height plus external leading
    std::function<int(const std::string&)> textWidth;
};

// One picture of the graph in drawing order: dotted grid, curve, markers,
// margin bands, axes, labels. Coordinates are relative to the target's corner.
struct GraphPicture {
    std::vector<GraphSegment> grid;
    std::vector<GraphSegment> curve;
    std::vector<GraphSegment> limits;  // the limit lines inside the plot
    std::vector<GraphPoint> markers;
    std::array<GraphRect, 4> margins{};
    std::array<GraphSegment, 2> axes{};
    std::vector<GraphText> labels;
};

// The picture for a target of width x height with the given scales and
// margins, after the X range step. The curve holds only the visible samples.
// index (may be null) speeds up columns of many samples; it must be up to
// date for records or it is not used.
GraphPicture PlanGraph(const GraphState& state, std::span<const CObData> records, int width,
                       int height, double xScale, double yScale, int xMargin, int yMargin,
                       const GraphTextMetrics& metrics, const CGraphValueIndex* index = nullptr);

// Lines through the points of samples first … last (inclusive), drawn with a
// 1-pixel pen: exactly the pixels of every segment k → k + 1, but where
// several samples share a pixel column the column is one vertical line from
// its smallest to its largest y plus the lines joining neighbouring columns.
// The lines are at most two per column. Column ends are found by bisection
// and a column's y extent from its value extremes (the mapping is monotonic),
// so with an index the work grows with the columns, not with the samples.
void AppendCurve(const GraphMapping& mapping, std::span<const CObData> records, std::size_t first,
                 std::size_t last, const CGraphValueIndex* index, std::vector<GraphSegment>& out);

// What a live reading appended as the last record costs the window.
struct NewestSegmentPlan {
    enum class Step { Nothing, FullRedraw, Segment };
    Step step = Step::Nothing;
    GraphSegment segment;  // Step::Segment: record n − 2 to record n − 1
    bool markers = false;  // Step::Segment: both ends get markers
};
NewestSegmentPlan PlanNewestSegment(const GraphState& state, std::span<const CObData> records);

// The plot interior of the window that margins and axes leave uncovered; a
// segment drawn clipped to it looks as it would after a full repaint.
GraphRect WindowPlotInterior(const GraphState& state);

// The Y range a stored document is shown with: its extremes widened by a tenth
// of their distance, at least 0.01.
struct GraphYRange {
    double top = 0.0;
    double bottom = 0.0;
};
GraphYRange YRangeForExtremes(double maximum, double minimum);
