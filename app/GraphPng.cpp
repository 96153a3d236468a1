#include "app/GraphPng.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <cstdio>
#include <cstring>

#include "display/GraphState.h"
#include "display/ui/GraphPainter.h"
#include "docview/DataFile.h"
#include "docview/FileIo.h"
#include "record/Document.h"

namespace {

constexpr int kLargestSide = 8192;

}  // namespace

bool IsSameFile(const QString& first, const QString& second) {
    struct stat one {};
    struct stat other {};
    if (stat(QFile::encodeName(first).constData(), &one) != 0 ||
        stat(QFile::encodeName(second).constData(), &other) != 0) {
        return false;
    }
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino && !S_ISCHR(one.st_mode);
}

int RefuseOutputOverInput(const char* what, const QString& output, const QString& input) {
    std::fprintf(stderr, "vavirir: %s %s is the same file as %s; nothing was written\n", what,
                 qPrintable(output), qPrintable(input));
    return 2;
}

int WriteFileBytes(const QString& path, const QByteArray& bytes) {
    return ReplaceFileContents(QFile::encodeName(path).toStdString(), [&bytes](CFileSink& sink) {
        sink.Put(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    });
}

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
        // The message on one line, naming the file.
        QString text = QString::fromUtf8(error.what());
        if (text.startsWith(file + QLatin1Char('\n'))) {
            text.remove(0, file.size() + 1);
        }
        if (!text.contains(file)) {
            text = file + QStringLiteral(": ") + text;
        }
        std::fprintf(stderr, "vavirir: %s\n",
                     qPrintable(text.replace(QLatin1Char('\n'), QLatin1Char(' '))));
        return false;
    }
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
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        std::fprintf(stderr, "vavirir: the picture of %s could not be made\n", qPrintable(file));
        return 1;
    }
    if (const int error = WriteFileBytes(output, png)) {
        std::fprintf(stderr, "vavirir: cannot write %s: %s\n", qPrintable(output),
                     std::strerror(error));
        return 1;
    }
    return 0;
}

int RunGraphPngCommand(const QCommandLineParser& parser, const QCommandLineOption& graphPng,
                       const QCommandLineOption& graphSize) {
    const QStringList files = parser.positionalArguments();
    QString problem;
    if (!parser.isSet(graphPng)) {
        problem = QStringLiteral("--size goes with --graph-png");
    } else if (files.size() != 1) {
        problem = QStringLiteral("--graph-png takes one FILE");
    } else if (parser.value(graphPng).isEmpty() || files.front().isEmpty()) {
        problem = QStringLiteral("--graph-png needs the names of OUT.png and FILE, not \"\"");
    }
    for (const char* other : {"port", "demo", "print-readings"}) {
        if (problem.isEmpty() && parser.isSet(QLatin1String(other))) {
            problem = QStringLiteral("--graph-png does not go with --%1").arg(QLatin1String(other));
        }
    }
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "vavirir: %s\nusage: vavirir --graph-png OUT.png [--size WxH] FILE\n",
                     qPrintable(problem));
        return 2;
    }
    if (IsSameFile(parser.value(graphPng), files.front())) {
        return RefuseOutputOverInput("--graph-png", parser.value(graphPng), files.front());
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
