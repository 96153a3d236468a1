#include "display/ui/GraphPainter.h"

#include <QFontMetrics>
#include <QLine>
#include <QPen>
#include <QString>
#include <algorithm>
#include <vector>

#include "record/Document.h"

namespace {

QLine ToQLine(const GraphSegment& segment) {
    return {segment.x1, segment.y1, segment.x2, segment.y2};
}

void DrawSegments(QPainter& painter, const std::vector<GraphSegment>& segments) {
    std::vector<QLine> lines;
    lines.reserve(segments.size());
    for (const GraphSegment& segment : segments) {
        lines.push_back(ToQLine(segment));
    }
    painter.drawLines(lines.data(), static_cast<int>(lines.size()));
}

}  // namespace

QColor ToQColor(GraphRgb colour) {
    return {colour.red, colour.green, colour.blue};
}

GraphRgb ToGraphRgb(const QColor& colour) {
    return {colour.red(), colour.green(), colour.blue()};
}

QFont GraphFont(int cellHeight, const QPaintDevice* device) {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::ExtraLight);
    const int pixelSize = GraphFontPixelSize(cellHeight, [&font, device](int size) {
        font.setPixelSize(size);
        return QFontMetrics(font, device).height();
    });
    font.setPixelSize(pixelSize);
    return font;
}

GraphTextMetrics GraphTextMetricsOn(const QPainter& painter, int cellHeight) {
    const QFontMetrics metrics(GraphFont(cellHeight, painter.device()), painter.device());
    GraphTextMetrics textMetrics;
    textMetrics.lineHeight = metrics.lineSpacing();
    textMetrics.textWidth = [metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
    return textMetrics;
}

int GraphPlotLeftOn(const QPainter& painter, const GraphState& state, int height, double yScale,
                    int fontHeight, int xMargin, int yMargin) {
    const GraphTextMetrics metrics = GraphTextMetricsOn(painter, fontHeight);
    return GraphPlotLeft(state.lines[0].yBottom, yScale, height - 2 * yMargin, xMargin,
                         metrics.textWidth);
}

std::span<const CObData> GraphRecords(const CRoZudozuvDoc* document) {
    if (document == nullptr) {
        return {};
    }
    return document->channels[0];
}

void PaintGraph(QPainter& painter, GraphState& state, const CRoZudozuvDoc* document,
                CGraphValueIndex* index, const QRect& rect, double xScale, double yScale,
                int fontHeight, int xMargin, int yMargin, bool whiteBorder) {
    const std::span<const CObData> records = GraphRecords(document);
    if (index != nullptr) {
        index->Update(records);
    }
    const bool acquiring = document != nullptr && document->Role() != DocumentRole::NotRecording;
    const GraphTextMetrics textMetrics = GraphTextMetricsOn(painter, fontHeight);
    const int plotLeft = GraphPlotLeft(state.lines[0].yBottom, yScale, rect.height() - 2 * yMargin,
                                       xMargin, textMetrics.textWidth);
    const double drawScale = AdvanceGraphXRange(state, rect.width() - plotLeft - xMargin, xScale,
                                                records.size(), acquiring);

    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setFont(GraphFont(fontHeight, painter.device()));
    const QFontMetrics metrics = painter.fontMetrics();
    const GraphPicture picture = PlanGraph(state, records, rect.width(), rect.height(), drawScale,
                                           yScale, xMargin, yMargin, textMetrics, index);

    painter.setPen(QPen(ToQColor(state.grid), 1, Qt::DotLine));
    DrawSegments(painter, picture.grid);
    painter.setPen(QPen(ToQColor(state.limitColour), 1, Qt::DashLine));
    DrawSegments(painter, picture.limits);
    painter.setPen(QPen(ToQColor(state.lineColours[0]), 1));
    DrawSegments(painter, picture.curve);
    for (const GraphPoint& marker : picture.markers) {
        PaintGraphMarker(painter, marker);
    }
    const QColor border = whiteBorder ? QColor(Qt::white) : ToQColor(state.border);
    for (const GraphRect& band : picture.margins) {
        painter.fillRect(QRect(band.x, band.y, band.width, band.height), border);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(ToQLine(picture.axes[0]));
    painter.drawLine(ToQLine(picture.axes[1]));
    for (const GraphText& label : picture.labels) {
        painter.drawText(label.x, label.y + metrics.ascent(), QString::fromStdString(label.text));
    }
    painter.restore();
}

QImage RenderGraphImage(GraphState& state, const CRoZudozuvDoc* document, CGraphValueIndex* index,
                        QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(ToQColor(state.background));
    QPainter painter(&image);
    SetGraphPlotLeft(state, size.width(),
                     GraphPlotLeftOn(painter, state, size.height(), state.lines[0].yScale,
                                     kGraphFontHeight, kGraphXMargin, kGraphYMargin));
    const GraphLine& line = state.lines[0];
    PaintGraph(painter, state, document, index, QRect(QPoint(0, 0), size), line.xScale, line.yScale,
               kGraphFontHeight, kGraphXMargin, kGraphYMargin, false);
    return image;
}

void PaintGraphMarker(QPainter& painter, GraphPoint point) {
    painter.fillRect(point.x - 2, point.y - 1, 5, 3, Qt::black);
    painter.fillRect(point.x - 1, point.y - 2, 3, 5, Qt::black);
}
