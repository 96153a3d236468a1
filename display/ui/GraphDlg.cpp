#include "display/ui/GraphDlg.h"

#include <QPaintEvent>

CGraphDlg::CGraphDlg(QWidget* parent) : QWidget(parent) {}

CGraphDlg::~CGraphDlg() = default;

void CGraphDlg::SetDocument(const CRoZudozuvDoc* document) {
    m_pDocument = document;
    update();
}

void CGraphDlg::SetYRange(double top, double bottom) {
    (void)top, (void)bottom;
    update();
}

void CGraphDlg::ResetView() {
    update();
}

void CGraphDlg::DrawNewestSegment() {
    update();
}

void CGraphDlg::DrawGraph(QPainter& painter, const QRect& rect, double xScale, double yScale,
                          int fontHeight, int xMargin, int yMargin, bool whiteBorder) {
    (void)painter, (void)rect, (void)xScale, (void)yScale, (void)fontHeight, (void)xMargin,
        (void)yMargin, (void)whiteBorder;
}

void CGraphDlg::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(131, 180, 170));
}
