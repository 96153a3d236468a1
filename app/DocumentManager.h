#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

#include "record/Document.h"

// The questions the document manager puts to the user; the main frame
// answers them (tests answer them without dialogs).
class IDocumentPrompts {
  public:
    virtual ~IDocumentPrompts() = default;
    // The Save As dialog; an empty result is a cancel.
    virtual QString AskSaveFileName(const QString& suggested) = 0;
    // "Save changes to NAME?": Save, Discard or Cancel.
    virtual QMessageBox::StandardButton AskSaveChanges(const QString& name) = 0;
    virtual void ShowFileError(const QString& text) = 0;
};

// Owns the desktop program's documents, in the order they were made, with
// the name each goes by ("New File1" or its file's name) and its file.
// Windows show the documents; they come and go through the signals.
class CDocumentManager : public QObject {
    Q_OBJECT
  public:
    explicit CDocumentManager(IDocumentPrompts& prompts, QObject* parent = nullptr);
    ~CDocumentManager() override;

    // A new untitled document ("New FileN"), or `document` (a recovered
    // recording) under such a name.
    CRoZudozuvDoc& Create(std::unique_ptr<CRoZudozuvDoc> document = nullptr);
    // The document of the file at `path`: the open one that was read from or
    // saved to it (two documents on one file would save over each other),
    // else the file read now. Null, after saying why, when it cannot be read.
    CRoZudozuvDoc* Open(const QString& path);
    // Saves to the file the document has or, when it has none or
    // `askForName`, to a file the user names. False when not saved.
    bool Save(CRoZudozuvDoc& document, bool askForName);
    // Asks whether to save a modified document before it closes; false when
    // it must stay (Cancel, or the save failed or was cancelled).
    bool QueryClose(CRoZudozuvDoc& document);
    // The document's window closed: the document is no longer open (no
    // file finds it, Documents() leaves it out), but it lives on until
    // Release, as the window's view still looks at it.
    void Close(CRoZudozuvDoc& document);
    // The window is deleted: the document goes (closed first if need be).
    void Release(CRoZudozuvDoc& document);

    std::vector<CRoZudozuvDoc*> Documents() const;
    QString Title(const CRoZudozuvDoc& document) const;
    // The file the document was read from or saved to; empty for a new one.
    QString FilePath(const CRoZudozuvDoc& document) const;
    // The document of the file at `path` (the same file, by device and
    // inode, under any name), other than `except`; null when none.
    CRoZudozuvDoc* DocumentOfFile(const QString& path, const CRoZudozuvDoc* except = nullptr) const;

  signals:
    // A document was made or read: a window should show it.
    void created(CRoZudozuvDoc* document);
    // The document is about to be deleted.
    void closing(CRoZudozuvDoc* document);
    // Its name, or whether it has unsaved records, may have changed.
    void titleChanged(CRoZudozuvDoc* document);
    // The records are in its file, or the user discarded them on purpose.
    void saved(CRoZudozuvDoc* document);
    void discarded(CRoZudozuvDoc* document);
    // A file was opened or saved (for the recent files), or failed to open.
    void fileUsed(const QString& path);
    void openFailed(const QString& path);

  private:
    struct Managed;
    Managed* Find(const CRoZudozuvDoc& document) const;
    CRoZudozuvDoc& Add(std::unique_ptr<CRoZudozuvDoc> document, const QString& title,
                       const QString& path);
    bool SaveTo(Managed& managed, const QString& path);

    IDocumentPrompts& m_prompts;
    std::vector<std::unique_ptr<Managed>> m_documents;
    std::vector<std::unique_ptr<Managed>> m_closed;  // until released
    int m_nUntitled = 0;
};
