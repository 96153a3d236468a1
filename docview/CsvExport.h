#pragma once

#include <string>

#include "common/TimeText.h"
#include "record/Document.h"

// The CSV export: the rows of a document's data list as UTF-8 text with
// RFC 4180 quoting and CR LF line ends, for data tools and spreadsheets.
//
//   id,time,value,unit,type,overload
//
// `time` is ISO 8601 local time with its UTC offset (IsoTimeOf: a record's
// own moment, or its stored text read back; a text that names no moment, such
// as an elapsed time, as it is); `value` is "%.9g", empty for an overload
// (then `overload` is 1).

// The file type as the Save As dialog of the CSV export shows it.
inline constexpr const char* kCsvFilterName = "CSV Files(*.csv)";
inline constexpr const char* kCsvExtension = "csv";

// The field as RFC 4180 writes it: in double quotes, with inner quotes doubled,
// when it holds a comma, a quote, a tab, CR or LF; otherwise unchanged.
std::string CsvField(const std::string& text);

// The whole CSV file of doc, in the data list's row order.
std::string CsvBytes(const CRoZudozuvDoc& doc);

// Writes the CSV file of doc to path (through a temporary file renamed into
// place). Throws CExportError when the file cannot be written.
void ExportCsvFile(const CRoZudozuvDoc& doc, const std::string& path);
