#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

#include "record/Document.h"

class CDocumentManager;
class CDocumentWindows;
class IClock;
class QWidget;

// File > New, Open, Save, Save As and the two exports, and data files
// dropped on the main window, for the document of the active window.
class CFileCommands : public QObject {
    Q_OBJECT
  public:
    struct Parts {
        QWidget* window;  // the dialogs' parent
        CDocumentManager& documents;
        CDocumentWindows& windows;
        const IClock& clock;
        // A new or opened document takes what the meter records.
        std::function<void(CRoZudozuvDoc&)> addToRecording;
        std::function<QString()> askOpenFileName;  // empty: cancelled
        std::function<void(const QString&)> showFileError;
    };
    CFileCommands(Parts parts, QObject* parent);

    void New();
    void Open();
    // Opens a data file in a new window; shows the error and returns false on
    // failure. A file some window already shows is not read again: that
    // window becomes the active one.
    bool OpenFile(const QString& path);
    // Opens the local files among `urls`; false when there was none.
    bool OpenDropped(const QList<QUrl>& urls);
    void Save(bool askForName);
    void ExportCsv();
    void ExportExcel();

  private:
    // False, after saying why, when `path` is the file of an open document:
    // an export must not replace a document's data file.
    bool AcceptExportTarget(const QString& path);

    Parts m_parts;
};
