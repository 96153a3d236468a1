#pragma once

#include <ctime>
#include <functional>

class CRoZudozuvDoc;
class QString;
class QWidget;

// File > Export To CSV: asks for the file name (suggesting one made from `now`),
// writes the document's list as CSV and reports a failure in a warning box.
// A document without main records exports nothing and shows no dialog, as
// Export To Excel does. `acceptTarget` (when given) is asked about the chosen
// file before anything is written; false leaves it alone (it has said why).
void ExportCsvWithDialog(QWidget* parent, const CRoZudozuvDoc& doc, std::time_t now,
                         const std::function<bool(const QString&)>& acceptTarget = {});

// Writes the CSV file of doc to path; a failure is shown in a warning box.
// Returns whether the file was written.
bool WriteCsvOrWarn(QWidget* parent, const CRoZudozuvDoc& doc, const QString& path);
