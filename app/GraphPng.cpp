#include "app/GraphPng.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <cstdio>

#include "display/GraphState.h"
#include "display/ui/GraphPainter.h"
#include "docview/DataFile.h"
#include "record/Document.h"

namespace {

constexpr int kLargestSide = 8192;

}  // namespace

std::optional<QSize> ParseGraphPngSize(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const int width = match.captured(1).toInt();
    const int height = match.captured(2).toInt();
    if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide) {
        return std::nullopt;
    }
    return QSize(width, height);
}

bool LoadDocumentForOutput(const QString& file, CRoZudozuvDoc& document) {
    try {
        LoadDocumentFile(QFile::encodeName(file).toStdString(), document);
    } catch (const CDataFileError& error) {
        std::fprintf(stderr, "vavirir: %s\n", error.what());
        return false;
    }
    document.acquiring = false;
    return true;
}

GraphState OpenedDocumentGraph(const CRoZudozuvDoc& document, QSize clientSize) {
    GraphState state = MakeGraphState(clientSize.width(), clientSize.height());
    if (!document.channels[0].empty()) {
        const GraphYRange range =
            YRangeForExtremes(document.summary.maximum, document.summary.minimum);
        SetGraphYRange(state, range.top, range.bottom);
    }
    return state;
}

int WriteGraphPng(const QString& output, QSize size, const QString& file) {
    CRoZudozuvDoc document;
    if (!LoadDocumentForOutput(file, document)) {
        return 1;
    }
    GraphState state = OpenedDocumentGraph(document, size);
    const QImage image = RenderGraphImage(state, &document, nullptr, size);
    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "vavirir: cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}

int RunGraphPngCommand(const QCommandLineParser& parser, const QCommandLineOption& graphPng,
                       const QCommandLineOption& graphSize) {
    const QStringList files = parser.positionalArguments();
    if (!parser.isSet(graphPng) || files.size() != 1 || parser.isSet(QStringLiteral("port")) ||
        parser.isSet(QStringLiteral("demo"))) {
        std::fprintf(stderr, "usage: vavirir --graph-png OUT.png [--size WxH] FILE\n");
        return 2;
    }
    QSize size = kGraphPngDefaultSize;
    if (parser.isSet(graphSize)) {
        const std::optional<QSize> parsed = ParseGraphPngSize(parser.value(graphSize));
        if (!parsed) {
            std::fprintf(stderr, "vavirir: bad size '%s' (WxH, 1..8192 each)\n",
                         qPrintable(parser.value(graphSize)));
            return 2;
        }
        size = *parsed;
    }
    return WriteGraphPng(parser.value(graphPng), size, files.front());
}
