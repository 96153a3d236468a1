#include "app/FileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>

#include "docview/DataFile.h"
#include "docview/Export.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("CMainFrame", text);
}

QString AskFileToSave(QWidget* parent, const QString& filter, const QString& suffix,
                      const QString& suggested) {
    QFileDialog dialog(parent, Tr("Save As"), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QString AskDataFileToOpen(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, Tr("Open"), QString(),
                                        QString::fromLatin1(kDocumentFilterName));
}

QString AskDataFileToSave(QWidget* parent, const QString& suggested) {
    return AskFileToSave(parent, QString::fromLatin1(kDocumentFilterName),
                         QString::fromLatin1(kDocumentExtension).mid(1), suggested);
}

QString AskExcelFileToSave(QWidget* parent, const QString& suggested) {
    return AskFileToSave(parent, QString::fromUtf8(kExportFilterName), QStringLiteral("xls"),
                         suggested);
}

QMessageBox::StandardButton AskSaveChangesBox(QWidget* parent, const QString& title,
                                              const QString& name) {
    QMessageBox box(QMessageBox::Warning, title, Tr("Save changes to %1?").arg(name),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("saveChangesBox"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
