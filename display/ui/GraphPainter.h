#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>
#include <span>

#include "display/GraphState.h"
#include "display/GraphValueIndex.h"

class CRoZudozuvDoc;

// Carries graph pictures out with QPainter: 1-pixel pens without
// antialiasing, so pixels follow the integer mapping of the core.

QColor ToQColor(GraphRgb colour);
GraphRgb ToGraphRgb(const QColor& colour);

// "Arial", or Liberation Sans (same metrics) where Arial is missing, sized so
// that its cell (QFontMetrics::height(), ascent plus descent) on device is
// cellHeight pixels high, or as near below as the font's sizes come.
QFont GraphFont(int cellHeight, const QPaintDevice* device = nullptr);

// Text metrics of the graph font of that cell height on the painter's device.
GraphTextMetrics GraphTextMetricsOn(const QPainter& painter, int cellHeight);

// The records a graph of document draws (channel 0), empty without one.
std::span<const CObData> GraphRecords(const CRoZudozuvDoc* document);

// Grid, curve, markers, margins, axes and labels of state into rect: first the
// X range step of a paint, then the picture. The margins are white when
// whiteBorder is set, else the border colour. index (may be null) is brought
// up to date with the document and kept by the caller for later paints.
void PaintGraph(QPainter& painter, GraphState& state, const CRoZudozuvDoc* document,
                CGraphValueIndex* index, const QRect& rect, double xScale, double yScale,
                int fontHeight, int xMargin, int yMargin, bool whiteBorder);

// The plot's left edge that PaintGraph would use for a target height on the
// painter's device.
int GraphPlotLeftOn(const QPainter& painter, const GraphState& state, int height, double yScale,
                    int fontHeight, int xMargin, int yMargin);

// The picture the window shows at a client size: background, then the graph
// with the window's own scales, font height 16 and margins 50 and 25. The
// window's plot left edge first moves to where its value labels need it.
QImage RenderGraphImage(GraphState& state, const CRoZudozuvDoc* document, CGraphValueIndex* index,
                        QSize size);

// A point marker: a black dot of radius two and a half pixels.
void PaintGraphMarker(QPainter& painter, GraphPoint point);
