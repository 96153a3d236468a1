#include "app/PrintPdf.h"

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <cstdio>

#include "app/GraphPng.h"
#include "display/GraphState.h"
#include "display/ui/GraphPainter.h"
#include "docview/DataFile.h"
#include "docview/ui/PrintRX.h"

namespace {

constexpr int kPdfResolution = 600;
constexpr double kMarginMillimetres = 10.0;

void Usage() {
    std::fprintf(stderr,
                 "usage: vavirir --print graph|data FILE --pdf OUT.pdf [--paper A4|Letter]\n");
}

}  // namespace

int WritePrintPdf(PrintKind kind, const QString& file, const QString& output,
                  QPageSize::PageSizeId paper) {
    CRoZudozuvDoc document;
    if (!LoadDocumentForOutput(file, document)) {
        return 1;
    }
    // The menu command prints nothing for such a document; here that is said.
    if (document.channels[0].empty()) {
        std::fprintf(stderr, "vavirir: %s has no records to print\n", qPrintable(file));
        return 1;
    }

    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(kPdfResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    const QMarginsF margins(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                            kMarginMillimetres);
    printer.setPageLayout(
        QPageLayout(QPageSize(paper), QPageLayout::Portrait, margins, QPageLayout::Millimeter));

    bool printed = false;
    if (kind == PrintKind::Data) {
        printed = PrintDataTable(printer, document);
    } else {
        // The graph as the Graph tab first shows it, with its plot's left edge
        // where its value labels put it.
        GraphState state = OpenedDocumentGraph(document, kGraphPngDefaultSize);
        RenderGraphImage(state, &document, nullptr, kGraphPngDefaultSize);
        GraphPrintSource graph;
        graph.xScale = state.lines[0].xScale;
        graph.yScale = state.lines[0].yScale;
        graph.plotWidth = state.lines[0].plotWidth;
        graph.plotHeight = state.lines[0].plotHeight;
        graph.draw = [&state, &document](QPainter& painter, const QRect& rect, double xScale,
                                         double yScale, int fontHeight, int xMargin, int yMargin,
                                         bool whiteBorder) {
            PaintGraph(painter, state, &document, nullptr, rect, xScale, yScale, fontHeight,
                       xMargin, yMargin, whiteBorder);
        };
        graph.plotLeft = [&state](const QPainter& painter, const GraphPrintFrame& frame) {
            return GraphPlotLeftOn(painter, state, frame.height, frame.yScale, frame.fontHeight,
                                   frame.xMargin, frame.yMargin);
        };
        printed = PrintGraphPage(printer, document, graph);
    }
    if (!printed) {
        std::fprintf(stderr, "vavirir: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}

int RunPrintCommand(const QCommandLineParser& parser, const QCommandLineOption& print,
                    const QCommandLineOption& pdf, const QCommandLineOption& paper) {
    const QStringList files = parser.positionalArguments();
    const QString what = parser.value(print);
    if (!parser.isSet(print) || !parser.isSet(pdf) || files.size() != 1 ||
        (what != QLatin1String("graph") && what != QLatin1String("data")) ||
        parser.isSet(QStringLiteral("port")) || parser.isSet(QStringLiteral("demo")) ||
        parser.isSet(QStringLiteral("graph-png")) || parser.isSet(QStringLiteral("size"))) {
        Usage();
        return 2;
    }
    QPageSize::PageSizeId size = QPageSize::A4;
    if (parser.isSet(paper)) {
        const QString name = parser.value(paper);
        if (name.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0) {
            size = QPageSize::A4;
        } else if (name.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0) {
            size = QPageSize::Letter;
        } else {
            std::fprintf(stderr, "vavirir: unknown paper '%s' (A4 or Letter)\n", qPrintable(name));
            return 2;
        }
    }
    const PrintKind kind = what == QLatin1String("graph") ? PrintKind::Graph : PrintKind::Data;
    return WritePrintPdf(kind, files.front(), parser.value(pdf), size);
}
