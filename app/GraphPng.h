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

// "WxH" with both sides 1 … 8192, or nothing.
std::optional<QSize> ParseGraphPngSize(const QString& text);

// Reads file, renders its graph at a client size and writes output. Returns
// the exit code: 0 done, 1 when the file cannot be read or the picture not
// written (the message goes to standard error).
int WriteGraphPng(const QString& output, QSize size, const QString& file);

// The command as the program's command line gives it: checks the arguments
// (exit code 2 when they are wrong) and runs WriteGraphPng.
int RunGraphPngCommand(const QCommandLineParser& parser, const QCommandLineOption& graphPng,
                       const QCommandLineOption& graphSize);
