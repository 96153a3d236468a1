#pragma once
// Printing the graph page and the data table onto a QPrinter: a print dialog
// or a PDF file, the page layout of docview/PrintLayout played onto it.
#include <QPainter>
#include <QPrinter>
#include <QRect>
#include <QWidget>
#include <functional>

#include "docview/PrintLayout.h"
#include "record/Document.h"

class CGraphDlg;

// One print job: a painter on the printer from the start of the document to
// its end. W and H are the printable area in device pixels.
class CPrintRX {
  public:
    explicit CPrintRX(QPrinter& printer);
    ~CPrintRX();
    CPrintRX(const CPrintRX&) = delete;
    CPrintRX& operator=(const CPrintRX&) = delete;

    // The platform's print dialog; printing to a PDF file stays offered.
    // False when the user cancels.
    static bool Begin(QWidget* parent, QPrinter& printer);

    // Starts the job named "Vavirir" and its first page; false when the
    // printer (or the PDF file) cannot be opened.
    bool StartDocument();
    // Ends the current sheet and starts the next.
    void NextPage();
    // Finishes the job.
    void EndDocument();

    QPainter& Painter() { return m_painter; }
    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }

    // Draws a page's lines with the default pen and its texts in the current
    // font, each text with its cell's top-left corner at its position.
    void Play(const PrintPage& page);

  private:
    QPrinter& m_printer;
    QPainter m_painter;
    int m_nWidth = 0;
    int m_nHeight = 0;
};

// What the graph page needs of a graph: the window's scales and plot size,
// and its drawing routine (painter, rectangle, x scale, y scale, font height,
// x margin, y margin, white border).
struct GraphPrintSource {
    double xScale = 1.0;
    double yScale = 1.0;
    int plotWidth = 1;
    int plotHeight = 1;
    std::function<void(QPainter&, const QRect&, double, double, int, int, int, bool)> draw;
    // The plot's left edge the drawing routine takes for a frame on the
    // painter's device (its value labels decide it).
    std::function<int(const QPainter&, const GraphPrintFrame&)> plotLeft;
};

GraphPrintSource GraphPrintSourceOf(CGraphDlg& graph);

// The graph page of doc onto printer; false when the job cannot start.
bool PrintGraphPage(QPrinter& printer, const CRoZudozuvDoc& doc, const GraphPrintSource& graph);
// The data table of doc over as many pages as it needs; false when the job
// cannot start.
bool PrintDataTable(QPrinter& printer, const CRoZudozuvDoc& doc);

// Prints into the PDF file at path the way a data file is saved: print writes
// a temporary file, which replaces path only once it is whole, so a failure
// leaves no partial file and an existing one untouched. The printer prints to
// path again afterwards. Returns 0, or the errno value of the failure (EIO when
// the printout could not be made).
int PrintPdfFile(QPrinter& printer, const QString& path,
                 const std::function<bool(QPrinter&)>& print);

// Prints onto the printer the print dialog chose, under the wait cursor. A
// printer that cannot be opened, or a PDF file that cannot be written, is
// reported in a warning box.
void PrintOntoChosenPrinter(QWidget* parent, QPrinter& printer,
                            const std::function<bool(QPrinter&)>& print);

// The Print > Graph and Print > Data commands: nothing for a document without
// main records; else the print dialog, then the printout under the wait
// cursor. A printer that cannot be opened is reported in a warning box.
void PrintGraph(QWidget* parent, const CRoZudozuvDoc& doc, CGraphDlg& graph);
void PrintData(QWidget* parent, const CRoZudozuvDoc& doc);
