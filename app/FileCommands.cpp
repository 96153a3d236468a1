#include "app/FileCommands.h"

#include <QApplication>
#include <QFile>
#include <QMdiArea>
#include <exception>

#include "app/ChildFrame.h"
#include "app/DocumentManager.h"
#include "app/DocumentWindows.h"
#include "app/FileDialogs.h"
#include "decode/Clock.h"
#include "docview/Export.h"
#include "docview/ui/CsvCommand.h"

CFileCommands::CFileCommands(Parts parts, QObject* parent)
    : QObject(parent), m_parts(std::move(parts)) {}

void CFileCommands::New() {
    m_parts.addToRecording(m_parts.documents.Create());
}

void CFileCommands::Open() {
    const QString path = m_parts.askOpenFileName();
    if (!path.isEmpty()) {
        OpenFile(path);
    }
}

bool CFileCommands::OpenFile(const QString& path) {
    const bool wasOpen = m_parts.documents.DocumentOfFile(path) != nullptr;
    CRoZudozuvDoc* document = m_parts.documents.Open(path);
    if (document == nullptr) {
        return false;
    }
    CChildFrame* child = m_parts.windows.WindowOf(document);
    if (wasOpen) {
        child->mdiArea()->setActiveSubWindow(child);
    } else {
        m_parts.addToRecording(*document);
    }
    return true;
}

bool CFileCommands::OpenDropped(const QList<QUrl>& urls) {
    bool opened = false;
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            OpenFile(url.toLocalFile());
            opened = true;
        }
    }
    return opened;
}

void CFileCommands::Save(bool askForName) {
    if (CChildFrame* child = m_parts.windows.Active()) {
        m_parts.documents.Save(child->Document(), askForName);
    }
}

bool CFileCommands::AcceptExportTarget(const QString& path) {
    const CRoZudozuvDoc* open = m_parts.documents.DocumentOfFile(path);
    if (open == nullptr) {
        return true;
    }
    m_parts.showFileError(tr("Nothing was exported: %1 is the data file of the open "
                             "document %2. Export to another file.")
                              .arg(path, m_parts.documents.Title(*open)));
    return false;
}

void CFileCommands::ExportCsv() {
    if (CChildFrame* child = m_parts.windows.Active()) {
        ExportCsvWithDialog(m_parts.window, child->Document(), m_parts.clock.Now(),
                            [this](const QString& path) { return AcceptExportTarget(path); });
    }
}

void CFileCommands::ExportExcel() {
    CChildFrame* child = m_parts.windows.Active();
    if (child == nullptr || !HasExportableRecords(child->Document())) {
        return;
    }
    const QString path = AskExcelFileToSave(
        m_parts.window, QString::fromStdString(DefaultExportFileName(m_parts.clock.Now())));
    if (path.isEmpty() || !AcceptExportTarget(path)) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        ExportDocumentFile(child->Document(), QFile::encodeName(path).toStdString());
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        m_parts.showFileError(QString::fromStdString(error.what()));
        return;
    }
    QApplication::restoreOverrideCursor();
}
