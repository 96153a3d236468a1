#include "display/ui/GraphDlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QWheelEvent>
#include <array>
#include <cmath>
#include <optional>

#include "common/ui/CommandIds.h"
#include "common/ui/DialogUnits.h"
#include "display/GraphTools.h"
#include "display/ui/Artwork.h"
#include "display/ui/GraphPainter.h"
#include "display/ui/ShowData.h"

namespace {

// The graph's dialog template is 286 x 194 dialog units of the system font.
constexpr QSize kInitialSize = DialogUnitsToPixels(0, 0, 286, 194).size();
constexpr int kInitialWidth = kInitialSize.width();
constexpr int kInitialHeight = kInitialSize.height();

// One wheel notch scales the visible range by this (towards the pointer).
constexpr double kWheelZoomFactor = 0.8;
constexpr int kWheelNotch = 120;

const QColor kRubberBandColour(100, 105, 155);

// The tool bar command whose cursor a tool shows; 0 for the normal cursor.
int CursorCommand(std::optional<GraphTool> tool) {
    if (!tool) {
        return 0;
    }
    switch (*tool) {
        case GraphTool::RectZoom:
            return cmd::kToolRect;
        case GraphTool::YZoom:
            return cmd::kToolYBig;
        case GraphTool::XZoom:
            return cmd::kToolXBig;
        case GraphTool::Move:
            return cmd::kToolMove;
        case GraphTool::ZoomIn:
            return cmd::kToolBig;
        case GraphTool::ZoomOut:
            return cmd::kToolSmall;
        case GraphTool::FftRange:
            return cmd::kFftAnalysis;
        case GraphTool::Show:
            return 0;
    }
    return 0;
}

GraphPoint PointOf(const QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    return {p.x(), p.y()};
}

}  // namespace

CGraphDlg::CGraphDlg(QWidget* parent)
    : QWidget(parent),
      m_state(MakeGraphState(kInitialWidth, kInitialHeight)),
      m_pShowData(new CShowData(this)) {
    // Every pixel comes from the composed picture: no erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Moves without a button pressed set the tool's cursor over the plot.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    resize(kInitialWidth, kInitialHeight);
}

CGraphDlg::~CGraphDlg() = default;

void CGraphDlg::SetDocument(const CRoZudozuvDoc* document) {
    CancelGesture();
    m_pDocument = document;
    m_index = CGraphValueIndex();
    m_state.selectedIndex = 0;
    Invalidate();
}

void CGraphDlg::SetTool(GraphTool tool) {
    CancelGesture();
    m_state.tool = tool;
}

void CGraphDlg::SetYRange(double top, double bottom) {
    // The live dispatch sets the same range after every reading; that must
    // not cost a full repaint.
    const std::array<GraphLine, 3> before = m_state.lines;
    SetGraphYRange(m_state, top, bottom);
    if (m_state.lines != before) {
        Invalidate();
    }
}

void CGraphDlg::SetAutoYRange(double top, double bottom) {
    const std::array<GraphLine, 3> before = m_state.lines;
    SetGraphAutoYRange(m_state, top, bottom);
    if (m_state.lines != before) {
        Invalidate();
    }
}

void CGraphDlg::ResetView() {
    CancelGesture();
    ResetGraphView(m_state, width(), height());
    Invalidate();
}

void CGraphDlg::DrawNewestSegment() {
    const std::span<const CObData> records = GraphRecords(m_pDocument);
    // The kept picture must show exactly the records before the new ones.
    if (ImageIsCurrent() && m_nImageRecords == records.size()) {
        return;
    }
    if (!ImageIsCurrent() || m_nImageRecords > records.size()) {
        Invalidate();
        return;
    }
    const GraphRect interior = WindowPlotInterior(m_state);
    const QRect clip(interior.x, interior.y, interior.width, interior.height);
    QRect changed;
    QPainter painter(&m_image);
    painter.setClipRect(clip);
    painter.setPen(QPen(ToQColor(m_state.lineColours[0]), 1));
    // One segment per record appended since the last picture, each O(1).
    for (std::size_t n = m_nImageRecords + 1; n <= records.size(); ++n) {
        const NewestSegmentPlan plan = PlanNewestSegment(m_state, records.first(n));
        if (plan.step != NewestSegmentPlan::Step::Segment) {
            painter.end();
            Invalidate();
            return;
        }
        const GraphSegment& s = plan.segment;
        painter.drawLine(s.x1, s.y1, s.x2, s.y2);
        if (plan.markers) {
            PaintGraphMarker(painter, {s.x1, s.y1});
            PaintGraphMarker(painter, {s.x2, s.y2});
        }
        // Markers reach two pixels beyond the ends of the segment.
        changed |= QRect(QPoint(std::min(s.x1, s.x2), std::min(s.y1, s.y2)),
                         QPoint(std::max(s.x1, s.x2), std::max(s.y1, s.y2)))
                       .adjusted(-2, -2, 2, 2);
    }
    painter.end();
    m_nImageRecords = records.size();
    changed &= clip;
    if (!changed.isEmpty()) {
        update(changed);
    }
}

QColor CGraphDlg::GetColour(Colour which) const {
    switch (which) {
        case Colour::Background:
            return ToQColor(m_state.background);
        case Colour::Border:
            return ToQColor(m_state.border);
        case Colour::Grid:
            return ToQColor(m_state.grid);
        case Colour::Line1:
            return ToQColor(m_state.lineColours[0]);
        case Colour::Line2:
            return ToQColor(m_state.lineColours[1]);
        case Colour::Line3:
            return ToQColor(m_state.lineColours[2]);
    }
    return {};
}

void CGraphDlg::SetColour(Colour which, const QColor& colour) {
    const GraphRgb rgb = ToGraphRgb(colour);
    switch (which) {
        case Colour::Background:
            m_state.background = rgb;
            break;
        case Colour::Border:
            m_state.border = rgb;
            break;
        case Colour::Grid:
            m_state.grid = rgb;
            break;
        case Colour::Line1:
            m_state.lineColours[0] = rgb;
            break;
        case Colour::Line2:
            m_state.lineColours[1] = rgb;
            break;
        case Colour::Line3:
            m_state.lineColours[2] = rgb;
            break;
    }
    Invalidate();
}

void CGraphDlg::DrawGraph(QPainter& painter, const QRect& rect, double xScale, double yScale,
                          int fontHeight, int xMargin, int yMargin, bool whiteBorder) {
    PaintGraph(painter, m_state, m_pDocument, &m_index, rect, xScale, yScale, fontHeight, xMargin,
               yMargin, whiteBorder);
}

QImage CGraphDlg::RenderClientImage() {
    return RenderGraphImage(m_state, m_pDocument, &m_index, size());
}

void CGraphDlg::paintEvent(QPaintEvent* event) {
    if (!ImageIsCurrent() || m_nImageRecords != GraphRecords(m_pDocument).size()) {
        ComposeImage();
    }
    QPainter painter(this);
    painter.drawImage(event->rect(), m_image, event->rect());
    if (m_state.dragging) {
        PaintToolOverlay(painter);
    }
}

void CGraphDlg::resizeEvent(QResizeEvent* event) {
    const GraphLine& line = m_state.lines[0];
    const QSize size = event->size();
    if (GraphPlotWidth(size.width(), m_state.plotLeft) != line.plotWidth ||
        GraphPlotHeight(size.height()) != line.plotHeight) {
        ResizeGraph(m_state, size.width(), size.height());
    }
    m_bImageStale = true;
}

void CGraphDlg::Invalidate() {
    m_bImageStale = true;
    update();
}

bool CGraphDlg::ImageIsCurrent() const {
    return !m_bImageStale && m_image.size() == size();
}

void CGraphDlg::ComposeImage() {
    m_image = RenderGraphImage(m_state, m_pDocument, &m_index, size());
    m_nImageRecords = GraphRecords(m_pDocument).size();
    m_bImageStale = false;
}

void CGraphDlg::PaintToolOverlay(QPainter& painter) {
    const GraphPoint press = m_state.pressPoint;
    const GraphPoint current = m_state.currentPoint;
    switch (m_state.tool) {
        case GraphTool::RectZoom:
        case GraphTool::FftRange:
            painter.setPen(QPen(kRubberBandColour, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(std::min(press.x, current.x), std::min(press.y, current.y),
                             std::abs(current.x - press.x), std::abs(current.y - press.y));
            break;
        case GraphTool::YZoom:
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(press.x, press.y, press.x, current.y);
            painter.drawLine(press.x - 5, press.y, press.x + 5, press.y);
            painter.drawLine(press.x - 5, current.y, press.x + 5, current.y);
            break;
        case GraphTool::XZoom:
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(press.x, press.y, current.x, press.y);
            painter.drawLine(press.x, press.y - 5, press.x, press.y + 5);
            painter.drawLine(current.x, press.y - 5, current.x, press.y + 5);
            break;
        case GraphTool::Show: {
            const std::span<const CObData> records = GraphRecords(m_pDocument);
            const int selected = m_state.selectedIndex;
            if (selected < 0 || static_cast<std::size_t>(selected) >= records.size()) {
                break;
            }
            const GraphMapping mapping = WindowMapping(m_state);
            const GraphLine& line = m_state.lines[0];
            const int x = mapping.PixelX(selected);
            const int y = mapping.PixelY(records[static_cast<std::size_t>(selected)].value);
            painter.setPen(QPen(Qt::black, 1));
            painter.drawLine(x, kGraphYMargin, x, line.plotHeight + kGraphYMargin);
            painter.drawLine(m_state.plotLeft, y, line.plotWidth + m_state.plotLeft, y);
            break;
        }
        default:
            break;
    }
}

void CGraphDlg::CancelGesture() {
    if (m_state.dragging) {
        m_state.dragging = false;
        update();
    }
    m_state.currentPoint = m_state.pressPoint;
    m_pShowData->hide();
}

void CGraphDlg::SelectSampleAt(int x) {
    const std::span<const CObData> records = GraphRecords(m_pDocument);
    const long long sample = NearestSampleAt(m_state, x);
    if (sample < 0 || static_cast<std::size_t>(sample) >= records.size()) {
        return;
    }
    m_state.selectedIndex = static_cast<int>(sample);
    m_pShowData->ShowRecord(sample, records[static_cast<std::size_t>(sample)]);
    m_pShowData->show();
    update();
}

void CGraphDlg::UpdateCursor(GraphPoint pointer) {
    const bool onPlot = InsidePlot(m_state, pointer) || m_state.dragging;
    const std::optional<GraphTool> wanted =
        onPlot ? std::optional<GraphTool>(m_state.tool) : std::nullopt;
    if (wanted == m_cursorTool) {
        return;
    }
    m_cursorTool = wanted;
    const int command = CursorCommand(wanted);
    if (command == 0) {
        unsetCursor();
    } else {
        setCursor(ToolCursor(command));
    }
}

void CGraphDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const GraphPoint pointer = PointOf(event);
    if (!InsidePlot(m_state, pointer)) {
        return;
    }
    switch (m_state.tool) {
        case GraphTool::RectZoom:
        case GraphTool::YZoom:
        case GraphTool::XZoom:
        case GraphTool::FftRange:
            m_state.pressPoint = pointer;
            m_state.currentPoint = pointer;
            m_state.dragging = true;
            update();
            break;
        case GraphTool::Move:
            m_state.currentPoint = pointer;
            m_state.previousPoint = pointer;
            m_state.dragging = true;
            break;
        case GraphTool::Show:
            m_state.dragging = true;
            SelectSampleAt(pointer.x);
            break;
        case GraphTool::ZoomIn:
        case GraphTool::ZoomOut:
            break;  // they act on the release
    }
    UpdateCursor(pointer);
}

void CGraphDlg::mouseMoveEvent(QMouseEvent* event) {
    const GraphPoint pointer = PointOf(event);
    // A release this window never saw (a grab taken by another window) ends
    // the gesture here.
    if (m_state.dragging && !(event->buttons() & Qt::LeftButton)) {
        CancelGesture();
    }
    const bool inside = InsidePlot(m_state, pointer);
    const GraphTool tool = m_state.tool;
    if (tool == GraphTool::RectZoom || tool == GraphTool::FftRange) {
        if (!InsideDragBand(m_state, pointer)) {
            CancelGesture();
        } else if (m_state.dragging) {
            m_state.currentPoint = ClampToPlot(m_state, pointer);
            update();
        }
    } else if (!inside) {
        // Leaving the plot ends a pan or a look at the points.
        if (tool == GraphTool::Move || tool == GraphTool::Show) {
            CancelGesture();
        }
    } else if (m_state.dragging) {
        switch (tool) {
            case GraphTool::YZoom:
            case GraphTool::XZoom:
                m_state.currentPoint = pointer;
                update();
                break;
            case GraphTool::Move:
                m_state.currentPoint = pointer;
                ApplyPanStep(m_state);
                Invalidate();
                break;
            case GraphTool::Show:
                SelectSampleAt(pointer.x);
                break;
            default:
                break;
        }
    }
    UpdateCursor(pointer);
}

void CGraphDlg::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const GraphPoint pointer = PointOf(event);
    const bool inside = InsidePlot(m_state, pointer);
    const bool dragging = m_state.dragging;
    const GraphPoint press = m_state.pressPoint;
    bool changed = false;
    std::optional<RecordRange> fftRange;
    switch (m_state.tool) {
        case GraphTool::RectZoom:
            // A rectangle also zooms when released beyond the plot.
            changed = dragging && ApplyRectZoom(m_state, pointer);
            break;
        case GraphTool::YZoom:
            changed = dragging && inside && ApplyYZoom(m_state, pointer);
            break;
        case GraphTool::XZoom:
            changed = dragging && inside && ApplyXZoom(m_state, pointer);
            break;
        case GraphTool::Move:
            if (dragging && inside) {
                m_state.pressPoint = pointer;
                m_state.currentPoint = pointer;
            }
            break;
        case GraphTool::ZoomIn:
            if (inside) {
                ApplyZoomIn(m_state);
                changed = true;
            }
            break;
        case GraphTool::ZoomOut:
            if (inside) {
                ApplyZoomOut(m_state);
                changed = true;
            }
            break;
        case GraphTool::FftRange:
            if (dragging && inside) {
                fftRange =
                    FftRangeOf(m_state, press.x, pointer.x, GraphRecords(m_pDocument).size());
            }
            break;
        default:
            break;
    }
    // Every release ends the gesture, wherever it happens.
    if (m_state.tool != GraphTool::Move) {
        CancelGesture();
    } else {
        m_state.dragging = false;
    }
    if (changed) {
        Invalidate();
    }
    UpdateCursor(pointer);
    if (fftRange) {
        // May open a modal dialog: the gesture is over before it does.
        emit fftRangeRequested(static_cast<int>(fftRange->first), static_cast<int>(fftRange->last));
    }
}

void CGraphDlg::wheelEvent(QWheelEvent* event) {
    event->accept();
    if (m_state.dragging) {
        return;
    }
    m_nWheelDelta += event->angleDelta().y();
    const int steps = m_nWheelDelta / kWheelNotch;
    m_nWheelDelta -= steps * kWheelNotch;
    if (steps == 0) {
        return;
    }
    // Turning away from the user zooms in.
    const double factor = std::pow(kWheelZoomFactor, steps);
    const QPoint p = event->position().toPoint();
    const bool changed = event->modifiers() & Qt::ControlModifier
                             ? ZoomYAround(m_state, p.y(), factor)
                             : ZoomXAround(m_state, p.x(), factor);
    if (changed) {
        Invalidate();
    }
}

void CGraphDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        ResetView();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CGraphDlg::hideEvent(QHideEvent* event) {
    CancelGesture();
    QWidget::hideEvent(event);
}
