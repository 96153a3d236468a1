#pragma once

#include <ctime>
#include <string>

#include "common/Result.h"
#include "record/Document.h"

// The spreadsheet export: channel 0 and the summary of a document as
// tab-separated 8-bit text with CR LF line ends.

// The file type as the Save As dialog of the export shows it.
inline constexpr const char* kExportFilterName = "Data File(*.xls)";
inline constexpr const char* kExportExtension = "xls";

// The export has something to write only when channel 0 holds records.
bool HasExportableRecords(const CRoZudozuvDoc& doc);

// The exact bytes of the export file. Characters U+0080..U+00FF become their
// Latin-1 byte; "Ω" is written as "Ohm", "℃" and "℉" as "°C" and "°F" (0xB0);
// any other character above U+00FF as "?".
std::string ExportBytes(const CRoZudozuvDoc& doc);

// The user message for an export to path that failed with the errno value
// error: FileErrorMessage's text, else "Failed to export the data to PATH.".
std::string ExportFailureMessage(int error, const std::string& path);

// Writes ExportBytes(doc) to path (through a temporary file renamed into place).
// A file that cannot be written gives the user's message.
Status ExportDocumentFile(const CRoZudozuvDoc& doc, const std::string& path);

// The suggested export file name for a local time: "%d-%d-%d %d-%d.xls" of year,
// month, day, hour and minute without leading zeros, e.g. "2018-5-3 9-7.xls".
std::string DefaultExportFileName(const std::tm& local);
std::string DefaultExportFileName(std::time_t now);
