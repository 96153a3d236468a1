#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QPageSize>
#include <QString>

// vavirir --print graph|data FILE --pdf OUT.pdf [--paper A4|Letter]: the
// printout of a data file, as the Print menu gives it, into a PDF (portrait,
// 10 mm margins, 600 dpi), without a dialog or a window.

enum class PrintKind { Graph, Data };

// Reads file and prints it into output. Returns the exit code: 0 done, 1 when
// the file cannot be read, has no records or the PDF cannot be written (the
// message goes to standard error).
int WritePrintPdf(PrintKind kind, const QString& file, const QString& output,
                  QPageSize::PageSizeId paper);

// The command as the program's command line gives it: checks the arguments
// (exit code 2 when they are wrong) and runs WritePrintPdf.
int RunPrintCommand(const QCommandLineParser& parser, const QCommandLineOption& print,
                    const QCommandLineOption& pdf, const QCommandLineOption& paper);
