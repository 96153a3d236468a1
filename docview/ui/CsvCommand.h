#pragma once

#include <ctime>

class CRoZudozuvDoc;
class QWidget;

// File > Export To CSV: asks for the file name (suggesting one made from `now`),
// writes the document's list as CSV and reports a failure in a warning box.
// A document without main records exports nothing and shows no dialog, as
// Export To Excel does.
void ExportCsvWithDialog(QWidget* parent, const CRoZudozuvDoc& doc, std::time_t now);
