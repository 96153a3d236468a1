#include "docview/ui/CsvCommand.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>

#include "common/ui/UserMessages.h"
#include "docview/CsvExport.h"
#include "docview/Export.h"

namespace {

// The spreadsheet export's suggested name with the CSV extension.
QString DefaultCsvFileName(std::time_t now) {
    QString name = QString::fromStdString(DefaultExportFileName(now));
    name.chop(static_cast<int>(std::char_traits<char>::length(kExportExtension)));
    return name + QString::fromLatin1(kCsvExtension);
}

}  // namespace

void ExportCsvWithDialog(QWidget* parent, const CRoZudozuvDoc& doc, std::time_t now,
                         const std::function<bool(const QString&)>& acceptTarget) {
    if (!HasExportableRecords(doc)) {
        return;
    }
    QFileDialog dialog(parent, QCoreApplication::translate("ExportCsvWithDialog", "Save As"),
                       QString(),
                       QCoreApplication::translate("ExportCsvWithDialog", kCsvFilterName));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(kCsvExtension));
    dialog.selectFile(DefaultCsvFileName(now));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (acceptTarget && !acceptTarget(path)) {
        return;
    }
    WriteCsvOrWarn(parent, doc, path);
}

bool WriteCsvOrWarn(QWidget* parent, const CRoZudozuvDoc& doc, const QString& path) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Status written = ExportCsvFile(doc, QFile::encodeName(path).toStdString());
    QApplication::restoreOverrideCursor();
    if (!written) {
        CUserMessages::Warn(parent, QString::fromStdString(written.Message()));
        return false;
    }
    return true;
}
