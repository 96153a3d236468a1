#include "docview/ui/CsvCommand.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

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
    try {
        ExportCsvFile(doc, QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        QMessageBox::warning(parent, QApplication::applicationDisplayName(),
                             QString::fromStdString(error.what()));
        return false;
    }
    QApplication::restoreOverrideCursor();
    return true;
}
