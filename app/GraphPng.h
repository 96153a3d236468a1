#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QSize>
#include <QString>
#include <optional>

#include "display/GraphState.h"

class CRoZudozuvDoc;

// vavirir --graph-png OUT.png [--size WxH] FILE: the graph of a data file as
// the Graph tab shows it right after opening, written as a PNG.

inline constexpr QSize kGraphPngDefaultSize{800, 500};

// Reads a data file for a command-line output; on failure the reason goes to
// standard error and the result is false.
bool LoadDocumentForOutput(const QString& file, CRoZudozuvDoc& document);

// The graph of a document read from a file as the data view first shows it:
// at this client size, its Y range from the summary when there are records.
GraphState OpenedDocumentGraph(const CRoZudozuvDoc& document, QSize clientSize);

// True when both paths name one existing file, compared by device and inode,
// so that a link to the file is caught too. Character devices (/dev/null) are
// never the same file.
bool IsSameFile(const QString& first, const QString& second);

// The message for a command-line output that is its own input, with exit code
// 2: "vavirir: <what> OUT is the same file as FILE; nothing was written".
int RefuseOutputOverInput(const char* what, const QString& output, const QString& input);

// Writes bytes to path the way a data file is saved: through a temporary file
// renamed over it, so a failed write leaves no partial file. Returns 0 or the
// errno value.
int WriteFileBytes(const QString& path, const QByteArray& bytes);

// "WxH" with both sides 1 … 8192, or nothing.
std::optional<QSize> ParseGraphPngSize(const QString& text);

// Reads file, renders its graph at a client size and writes output. Returns
// the exit code: 0 done, 1 when the file cannot be read or the picture not
// written (the message goes to standard error, and no partial file is left).
int WriteGraphPng(const QString& output, QSize size, const QString& file);

// The command as the program's command line gives it: checks the arguments
// (exit code 2 when they are wrong or OUT is FILE) and runs WriteGraphPng.
int RunGraphPngCommand(const QCommandLineParser& parser, const QCommandLineOption& graphPng,
                       const QCommandLineOption& graphSize);
