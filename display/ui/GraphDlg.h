#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>
#include <cstddef>

#include "display/GraphState.h"
#include "display/GraphValueIndex.h"

class CRoZudozuvDoc;

// The real-time graph of one document: value axis on the left, sample axis at
// the bottom, a dotted grid, the curve and point markers. It reads channel 0
// of its document each time it draws; the document is borrowed.
//
// Paint composes the whole picture in an image that is kept and copied to the
// window; a live reading draws only its segment into the kept image.
class CGraphDlg : public QWidget {
    Q_OBJECT

  public:
    enum class Colour { Background, Border, Grid, Line1, Line2, Line3 };

    explicit CGraphDlg(QWidget* parent = nullptr);
    ~CGraphDlg() override;

    void SetDocument(const CRoZudozuvDoc* document);
    const CRoZudozuvDoc* Document() const { return m_pDocument; }

    // Y range of all three lines; repaints the whole graph when it changed.
    void SetYRange(double top, double bottom);
    // The All command: the whole recording, unzoomed.
    void ResetView();
    // Called after a live record was appended to the document.
    void DrawNewestSegment();

    // Active mouse tool 1..8 (1 rectangle zoom … 8 FFT range).
    void SetTool(int tool) { m_state.tool = tool; }
    int Tool() const { return m_state.tool; }

    QColor GetColour(Colour which) const;
    // Repaints the whole graph.
    void SetColour(Colour which, const QColor& colour);

    double XScale() const { return m_state.lines[0].xScale; }
    double YScale() const { return m_state.lines[0].yScale; }
    int PlotWidth() const { return m_state.lines[0].plotWidth; }
    int PlotHeight() const { return m_state.lines[0].plotHeight; }
    const GraphState& State() const { return m_state; }

    // Draws grid, curve, markers, margins, axes and labels into any painter;
    // the screen, printing, the clipboard and --graph-png all use it.
    void DrawGraph(QPainter& painter, const QRect& rect, double xScale, double yScale,
                   int fontHeight, int xMargin, int yMargin, bool whiteBorder);

    // A fresh picture of the client area as the window shows it (background,
    // then the graph with 16, 50, 25), without the tool overlay.
    QImage RenderClientImage();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    // The next paint composes the picture anew.
    void Invalidate();
    bool ImageIsCurrent() const;
    void ComposeImage();
    void PaintToolOverlay(QPainter& painter);

    GraphState m_state;
    const CRoZudozuvDoc* m_pDocument = nullptr;
    CGraphValueIndex m_index;         // value extremes of the document's records
    QImage m_image;                   // the last composed picture, client sized
    bool m_bImageStale = true;        // the state changed since it was composed
    std::size_t m_nImageRecords = 0;  // records the kept picture shows
};
