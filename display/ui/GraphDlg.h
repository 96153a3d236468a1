#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>

class CRoZudozuvDoc;

// The real-time graph of one document: value axis on the left, sample axis at
// the bottom, a dotted grid, the curve and point markers. It reads channel 0
// of its document each time it draws; the document is borrowed.
class CGraphDlg : public QWidget {
    Q_OBJECT

  public:
    explicit CGraphDlg(QWidget* parent = nullptr);
    ~CGraphDlg() override;

    void SetDocument(const CRoZudozuvDoc* document);
    const CRoZudozuvDoc* Document() const { return m_pDocument; }

    // Y range of all three lines; repaints the whole graph.
    void SetYRange(double top, double bottom);
    // The All command: the whole recording, unzoomed.
    void ResetView();
    // Called after a live record was appended to the document.
    void DrawNewestSegment();

    // Active mouse tool 1..8 (1 rectangle zoom … 8 FFT range).
    void SetTool(int tool) { m_nTool = tool; }
    int Tool() const { return m_nTool; }

    // Draws grid, curve, markers, margins, axes and labels into any painter;
    // the screen, printing, the clipboard and --graph-png all use it.
    void DrawGraph(QPainter& painter, const QRect& rect, double xScale, double yScale,
                   int fontHeight, int xMargin, int yMargin, bool whiteBorder);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const CRoZudozuvDoc* m_pDocument = nullptr;
    int m_nTool = 1;
};
