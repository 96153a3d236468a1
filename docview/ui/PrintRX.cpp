#include "docview/ui/PrintRX.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "display/ui/GraphDlg.h"
#include "display/ui/GraphPainter.h"
#include "docview/FileIo.h"

namespace {

// The wait cursor for the life of a printout.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// "Arial" (or a sans-serif stand-in) whose text cell, ascent plus descent,
// is `cell` pixels high on the painter's device, weight 200.
QFont DataTableFont(QPainter& painter, int cell) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::ExtraLight);
    font.setPixelSize(std::max(cell, 1));
    painter.setFont(font);
    const int height = painter.fontMetrics().height();
    if (height > 0 && height != cell) {
        font.setPixelSize(std::max(cell * cell / height, 1));
    }
    return font;
}

void ReportPrinterFailure(QWidget* parent) {
    QMessageBox::warning(parent, QApplication::applicationDisplayName(),
                         QCoreApplication::translate(
                             "CPrintRX", "The printer could not be opened; nothing was printed."));
}

void ReportPdfFailure(QWidget* parent, const QString& path, int error) {
    const std::string file = path.toStdString();
    const std::string reason =
        FileErrorMessage(error, file, FileAction::Write, std::string(std::strerror(error)) + ".");
    const QString text =
        reason.find(file) != std::string::npos
            ? QString::fromStdString(reason)
            : QCoreApplication::translate("CPrintRX", "The PDF file %1 was not written.\n%2")
                  .arg(path, QString::fromStdString(reason));
    QMessageBox::warning(parent, QApplication::applicationDisplayName(), text);
}

// Qt closes a PDF with this line; a printout cut short by a full disk lacks it.
bool IsWholePdf(const QByteArray& bytes) {
    return bytes.endsWith("%%EOF\n");
}

}  // namespace

CPrintRX::CPrintRX(QPrinter& printer) : m_printer(printer) {}

CPrintRX::~CPrintRX() {
    if (m_painter.isActive()) {
        m_painter.end();
    }
}

bool CPrintRX::Begin(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool CPrintRX::StartDocument() {
    m_printer.setDocName(QStringLiteral("Vavirir"));
    if (!m_painter.begin(&m_printer)) {
        return false;
    }
    m_nWidth = m_printer.width();
    m_nHeight = m_printer.height();
    m_painter.setBackgroundMode(Qt::TransparentMode);
    return true;
}

void CPrintRX::NextPage() {
    m_printer.newPage();
}

void CPrintRX::EndDocument() {
    m_painter.end();
}

void CPrintRX::Play(const PrintPage& page) {
    m_painter.setPen(QPen(Qt::black, 0));
    for (const PrintLine& line : page.lines) {
        m_painter.drawLine(line.x1, line.y1, line.x2, line.y2);
    }
    const int ascent = m_painter.fontMetrics().ascent();
    for (const PrintText& text : page.texts) {
        m_painter.drawText(text.x, text.y + ascent, QString::fromStdString(text.text));
    }
}

GraphPrintSource GraphPrintSourceOf(CGraphDlg& graph) {
    GraphPrintSource source;
    source.xScale = graph.XScale();
    source.yScale = graph.YScale();
    source.plotWidth = graph.PlotWidth();
    source.plotHeight = graph.PlotHeight();
    source.draw = [&graph](QPainter& painter, const QRect& rect, double xScale, double yScale,
                           int fontHeight, int xMargin, int yMargin, bool whiteBorder) {
        graph.DrawGraph(painter, rect, xScale, yScale, fontHeight, xMargin, yMargin, whiteBorder);
    };
    source.plotLeft = [&graph](const QPainter& painter, const GraphPrintFrame& frame) {
        return GraphPlotLeftOn(painter, graph.State(), frame.height, frame.yScale, frame.fontHeight,
                               frame.xMargin, frame.yMargin);
    };
    return source;
}

bool PrintGraphPage(QPrinter& printer, const CRoZudozuvDoc& doc, const GraphPrintSource& graph) {
    CPrintRX job(printer);
    if (!job.StartDocument()) {
        return false;
    }
    QPainter& painter = job.Painter();
    const int width = job.Width();
    const int height = job.Height();
    const auto plotLeftOf = [&graph, &painter](const GraphPrintFrame& frame) {
        return graph.plotLeft ? graph.plotLeft(painter, frame) : frame.xMargin;
    };
    const GraphPrintFrame frame = GraphPrintFrameFor(width, height, graph.xScale, graph.yScale,
                                                     graph.plotWidth, graph.plotHeight, plotLeftOf);
    painter.save();
    graph.draw(painter, QRect(0, 0, frame.width, frame.height), frame.xScale, frame.yScale,
               frame.fontHeight, frame.xMargin, frame.yMargin, true);
    painter.restore();

    // The rest of the page in the printer's own font.
    painter.setFont(QFont());
    const QFontMetrics metrics = painter.fontMetrics();
    const auto textWidth = [&metrics](const std::string& text) {
        return metrics.horizontalAdvance(QString::fromStdString(text));
    };
    job.Play(GraphPrintTexts(doc.summary, width, height, metrics.lineSpacing(), PrintClockNow(),
                             textWidth));
    job.EndDocument();
    return true;
}

bool PrintDataTable(QPrinter& printer, const CRoZudozuvDoc& doc) {
    CPrintRX job(printer);
    if (!job.StartDocument()) {
        return false;
    }
    QPainter& painter = job.Painter();
    painter.setFont(DataTableFont(painter, DataPrintCellHeight(job.Height())));
    const DataPrintMetrics metrics{job.Width(), job.Height(), painter.fontMetrics().lineSpacing()};
    const PrintClock clock = PrintClockNow();
    const int pages = DataPrintPageCount(doc.channels[0].size(), DataPrintRowsPerPage(metrics));
    // One page at a time, so a long table needs no more memory than a page.
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) {
            job.NextPage();
        }
        job.Play(DataPrintPage(doc, metrics, page, clock));
    }
    job.EndDocument();
    return true;
}

int PrintPdfFile(QPrinter& printer, const QString& path,
                 const std::function<bool(QPrinter&)>& print) {
    const QTemporaryDir folder;
    if (!folder.isValid()) {
        return EIO;
    }
    QFile printout(folder.filePath(QStringLiteral("printout.pdf")));
    printer.setOutputFileName(printout.fileName());
    const bool printed = print(printer);
    printer.setOutputFileName(path);
    if (!printed || !printout.open(QIODevice::ReadOnly)) {
        return EIO;
    }
    const QByteArray bytes = printout.readAll();
    if (!IsWholePdf(bytes)) {
        return EIO;
    }
    return ReplaceFileContents(path.toStdString(), [&bytes](CFileSink& sink) {
        sink.Put(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
}

void PrintOntoChosenPrinter(QWidget* parent, QPrinter& printer,
                            const std::function<bool(QPrinter&)>& print) {
    const QString pdf =
        printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
    bool printed = false;
    int pdfError = 0;
    {
        const WaitCursor wait;
        if (pdf.isEmpty()) {
            printed = print(printer);
        } else {
            pdfError = PrintPdfFile(printer, pdf, print);
        }
    }
    if (pdfError != 0) {
        ReportPdfFailure(parent, pdf, pdfError);
    } else if (pdf.isEmpty() && !printed) {
        ReportPrinterFailure(parent);
    }
}

namespace {

// The menu commands' frame: nothing for a document without main records, the
// print dialog, then the printout onto the printer it chose.
void PrintThroughDialog(QWidget* parent, const CRoZudozuvDoc& doc,
                        const std::function<bool(QPrinter&)>& print) {
    if (doc.channels[0].empty()) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    if (!CPrintRX::Begin(parent, printer)) {
        return;
    }
    PrintOntoChosenPrinter(parent, printer, print);
}

}  // namespace

void PrintGraph(QWidget* parent, const CRoZudozuvDoc& doc, CGraphDlg& graph) {
    PrintThroughDialog(parent, doc, [&](QPrinter& printer) {
        return PrintGraphPage(printer, doc, GraphPrintSourceOf(graph));
    });
}

void PrintData(QWidget* parent, const CRoZudozuvDoc& doc) {
    PrintThroughDialog(parent, doc,
                       [&](QPrinter& printer) { return PrintDataTable(printer, doc); });
}
