#pragma once

#include <ctime>

class CRoZudozuvDoc;
class QString;
class QWidget;

// File > Export To CSV: asks for the file name (suggesting one made from `now`),
// writes the document's list as CSV and reports a failure in a warning box.
// A document without main records exports nothing and shows no dialog, as
// Export To Excel does.
void ExportCsvWithDialog(QWidget* parent, const CRoZudozuvDoc& doc, std::time_t now);

// Writes the CSV file of doc to path; a failure is shown in a warning box.
// Returns whether the file was written.
bool WriteCsvOrWarn(QWidget* parent, const CRoZudozuvDoc& doc, const QString& path);
