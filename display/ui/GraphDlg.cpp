#include "display/ui/GraphDlg.h"

#include <QPaintEvent>
#include <QResizeEvent>
#include <array>

#include "display/ui/GraphPainter.h"

namespace {

// The graph's dialog template is 286 x 194 dialog units of the system font.
constexpr int kInitialWidth = 429;
constexpr int kInitialHeight = 315;

}  // namespace

CGraphDlg::CGraphDlg(QWidget* parent)
    : QWidget(parent), m_state(MakeGraphState(kInitialWidth, kInitialHeight)) {
    // Every pixel comes from the composed picture: no erase before painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kInitialWidth, kInitialHeight);
}

CGraphDlg::~CGraphDlg() = default;

void CGraphDlg::SetDocument(const CRoZudozuvDoc* document) {
    m_pDocument = document;
    m_index = CGraphValueIndex();
    Invalidate();
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

void CGraphDlg::ResetView() {
    ResetGraphView(m_state, width(), height());
    Invalidate();
}

void CGraphDlg::DrawNewestSegment() {
    const std::span<const CObData> records = GraphRecords(m_pDocument);
    const NewestSegmentPlan plan = PlanNewestSegment(m_state, records);
    if (plan.step == NewestSegmentPlan::Step::Nothing) {
        return;
    }
    // The kept picture must show exactly the records before this one.
    if (plan.step == NewestSegmentPlan::Step::FullRedraw || !ImageIsCurrent() ||
        m_nImageRecords + 1 != records.size()) {
        Invalidate();
        return;
    }
    const GraphRect interior = WindowPlotInterior(m_state);
    const QRect clip(interior.x, interior.y, interior.width, interior.height);
    QPainter painter(&m_image);
    painter.setClipRect(clip);
    painter.setPen(QPen(ToQColor(m_state.lineColours[0]), 1));
    const GraphSegment& s = plan.segment;
    painter.drawLine(s.x1, s.y1, s.x2, s.y2);
    if (plan.markers) {
        PaintGraphMarker(painter, {s.x1, s.y1});
        PaintGraphMarker(painter, {s.x2, s.y2});
    }
    painter.end();
    m_nImageRecords = records.size();
    // Markers reach two pixels beyond the ends of the segment.
    const QRect changed = QRect(QPoint(std::min(s.x1, s.x2), std::min(s.y1, s.y2)),
                                QPoint(std::max(s.x1, s.x2), std::max(s.y1, s.y2)))
                              .adjusted(-2, -2, 2, 2) &
                          clip;
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
}

void CGraphDlg::resizeEvent(QResizeEvent* event) {
    const GraphLine& line = m_state.lines[0];
    const QSize size = event->size();
    if (GraphPlotWidth(size.width()) != line.plotWidth ||
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
    if (m_state.dragging) {
        QPainter painter(&m_image);
        PaintToolOverlay(painter);
    }
    m_bImageStale = false;
}

void CGraphDlg::PaintToolOverlay(QPainter& painter) {
    (void)painter;
    // The marks of the zoom, show and FFT gestures come with the mouse tools;
    // the move tool pans here, between two paints.
    if (m_state.tool == 4) {
        ApplyPanStep(m_state);
    }
}
