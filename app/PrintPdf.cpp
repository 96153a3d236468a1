#include "app/PrintPdf.h"

#include <QFile>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <cstdio>
#include <cstring>

#include "app/GraphPng.h"
#include "display/GraphState.h"
#include "display/ui/GraphPainter.h"
#include "docview/DataFile.h"
#include "docview/ui/PrintRX.h"

namespace {

constexpr int kPdfResolution = 600;
constexpr double kMarginMillimetres = 10.0;

int Usage(const QString& problem) {
    std::fprintf(stderr,
                 "vavirir: %s\nusage: vavirir --print graph|data FILE --pdf OUT.pdf "
                 "[--paper A4|Letter]\n",
                 qPrintable(problem));
    return 2;
}

// What is wrong with the command line of a printout, or nothing.
QString PrintUsageProblem(const QCommandLineParser& parser, const QCommandLineOption& print,
                          const QCommandLineOption& pdf) {
    const QString what = parser.value(print);
    if (!parser.isSet(print)) {
        return QStringLiteral("--pdf and --paper go with --print graph|data");
    }
    if (what != QLatin1String("graph") && what != QLatin1String("data")) {
        return QStringLiteral("--print takes graph or data, not '%1'").arg(what);
    }
    if (!parser.isSet(pdf)) {
        return QStringLiteral("--print needs --pdf OUT.pdf");
    }
    if (parser.positionalArguments().size() != 1) {
        return QStringLiteral("--print takes one FILE");
    }
    for (const char* other : {"port", "demo", "print-readings", "graph-png", "size"}) {
        if (parser.isSet(QLatin1String(other))) {
            return QStringLiteral("--print does not go with --%1").arg(QLatin1String(other));
        }
    }
    if (parser.value(pdf).isEmpty() || parser.positionalArguments().front().isEmpty()) {
        return QStringLiteral("--print needs the names of FILE and OUT.pdf, not \"\"");
    }
    return {};
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
    const QMarginsF margins(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres,
                            kMarginMillimetres);
    printer.setPageLayout(
        QPageLayout(QPageSize(paper), QPageLayout::Portrait, margins, QPageLayout::Millimeter));

    // The graph as the Graph tab first shows it, with its plot's left edge
    // where its value labels put it.
    GraphState state = OpenedDocumentGraph(document, kGraphPngDefaultSize);
    GraphPrintSource graph;
    if (kind == PrintKind::Graph) {
        RenderGraphImage(state, &document, nullptr, kGraphPngDefaultSize);
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
    }
    const int error = PrintPdfFile(printer, output, [&](QPrinter& target) {
        return kind == PrintKind::Data ? PrintDataTable(target, document)
                                       : PrintGraphPage(target, document, graph);
    });
    if (error != 0) {
        std::fprintf(stderr, "vavirir: cannot write %s: %s\n", qPrintable(output),
                     std::strerror(error));
        return 1;
    }
    return 0;
}

int RunPrintCommand(const QCommandLineParser& parser, const QCommandLineOption& print,
                    const QCommandLineOption& pdf, const QCommandLineOption& paper) {
    if (const QString problem = PrintUsageProblem(parser, print, pdf); !problem.isEmpty()) {
        return Usage(problem);
    }
    const QStringList files = parser.positionalArguments();
    const QString what = parser.value(print);
    if (IsSameFile(parser.value(pdf), files.front())) {
        return RefuseOutputOverInput("--pdf", parser.value(pdf), files.front());
    }
    QPageSize::PageSizeId size = QPageSize::A4;
    if (parser.isSet(paper)) {
        const QString name = parser.value(paper);
        if (name.compare(QLatin1String("A4"), Qt::CaseInsensitive) == 0) {
            size = QPageSize::A4;
        } else if (name.compare(QLatin1String("Letter"), Qt::CaseInsensitive) == 0) {
            size = QPageSize::Letter;
        } else {
            return Usage(QStringLiteral("unknown paper '%1' (A4 or Letter)").arg(name));
        }
    }
    const PrintKind kind = what == QLatin1String("graph") ? PrintKind::Graph : PrintKind::Data;
    return WritePrintPdf(kind, files.front(), parser.value(pdf), size);
}
