#pragma once

#include <optional>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QWidget>
#include <cstddef>

#include "display/GraphState.h"
#include "display/GraphValueIndex.h"

class CRoZudozuvDoc;
class CShowData;

// The real-time graph of one document: value axis on the left, sample axis at
// the bottom, a dotted grid, the curve and point markers. It reads channel 0
// of its document each time it draws; the document is borrowed.
//
// Paint composes the whole picture in an image that is kept and copied to the
// window; a live reading draws only its segment into the kept image. The
// marks of a mouse gesture are drawn over the copy, so dragging a rectangle
// costs no new picture.
//
// The mouse tools (SetTool): rectangle zoom, Y zoom, X zoom, move, show
// point (with the point inspector), zoom in, zoom out, FFT range. The wheel zooms X around the
// pointer, Ctrl+wheel Y; Home shows all.
class CGraphDlg : public QWidget {
    Q_OBJECT

  public:
    enum class Colour { Background, Border, Grid, Line1, Line2, Line3 };

    explicit CGraphDlg(QWidget* parent = nullptr);
    ~CGraphDlg() override;

    void SetDocument(const CRoZudozuvDoc* document);
    const CRoZudozuvDoc* Document() const { return m_pDocument; }

    // Y range of all three lines; repaints the whole graph when it changed.
    // Ends a Y zoom of the user.
    void SetYRange(double top, double bottom);
    // High and low limit lines (each optional); repaints the whole graph.
    void SetLimits(std::optional<double> high, std::optional<double> low) {
        m_state.highLimit = high;
        m_state.lowLimit = low;
        Invalidate();
    }
    // A range the program picks (a live reading's full scale): as SetYRange,
    // but while the user has zoomed or panned in Y it only waits for the All
    // command.
    void SetAutoYRange(double top, double bottom);
    // The All command: the whole recording, unzoomed, in the automatic Y
    // range.
    void ResetView();
    // Draws the records appended to the document since the picture was last
    // drawn, one segment each (a picture that cannot take them is composed
    // anew at the next paint).
    void DrawNewestSegment();
    // Composes the whole picture anew at the next paint (update() only copies
    // the kept picture again).
    void Redraw() { Invalidate(); }

    // The active mouse tool; a gesture in progress is abandoned.
    void SetTool(GraphTool tool);
    GraphTool Tool() const { return m_state.tool; }

    // The point inspector (a child at the top-left corner, hidden until used).
    CShowData* ShowData() const { return m_pShowData; }

    QColor GetColour(Colour which) const;
    // Repaints the whole graph.
    void SetColour(Colour which, const QColor& colour);

    double XScale() const { return m_state.lines[0].xScale; }
    double YScale() const { return m_state.lines[0].yScale; }
    int PlotWidth() const { return m_state.lines[0].plotWidth; }
    int PlotLeft() const { return m_state.plotLeft; }
    int PlotHeight() const { return m_state.lines[0].plotHeight; }
    const GraphState& State() const { return m_state; }

    // Draws grid, curve, markers, margins, axes and labels into any painter;
    // the screen, printing, the clipboard and --graph-png all use it.
    void DrawGraph(QPainter& painter, const QRect& rect, double xScale, double yScale,
                   int fontHeight, int xMargin, int yMargin, bool whiteBorder);

    // A fresh picture of the client area as the window shows it (background,
    // then the graph with 16, 50, 25), without the tool overlay.
    QImage RenderClientImage();

  signals:
    // The FFT tool marked records first … last (first < last) of the document.
    void fftRangeRequested(int first, int last);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The next paint composes the picture anew.
    void Invalidate();
    bool ImageIsCurrent() const;
    void ComposeImage();
    void PaintToolOverlay(QPainter& painter);
    // Ends any gesture without applying it; hides the inspector.
    void CancelGesture();
    // Show tool: select the record nearest to x and show it in the inspector.
    void SelectSampleAt(int x);
    // The tool's cursor over the plot or during a drag, else the normal one.
    void UpdateCursor(GraphPoint pointer);

    GraphState m_state;
    const CRoZudozuvDoc* m_pDocument = nullptr;
    CGraphValueIndex m_index;               // value extremes of the document's records
    QImage m_image;                         // the last composed picture, client sized
    bool m_bImageStale = true;              // the state changed since it was composed
    std::size_t m_nImageRecords = 0;        // records the kept picture shows
    CShowData* m_pShowData;                 // owned as a child widget
    std::optional<GraphTool> m_cursorTool;  // tool whose cursor is set; none: the normal one
    int m_nWheelDelta = 0;                  // wheel angle not yet turned into steps
};
