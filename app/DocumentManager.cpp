#include "app/DocumentManager.h"

#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "docview/DataFile.h"

namespace {

struct FileIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const FileIdentity&) const = default;
};

// Names of one file compare equal through links and different spellings.
std::optional<FileIdentity> IdentityOf(const QString& path) {
    struct stat info {};
    if (path.isEmpty() || stat(QFile::encodeName(path).constData(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{info.st_dev, info.st_ino};
}

// A message about a file that does not name it gets the name in front, as
// the command-line tool writes it.
QString NameTheFile(const QString& path, const QString& message) {
    return message.contains(path) ? message : QStringLiteral("%1: %2").arg(path, message);
}

}  // namespace

struct CDocumentManager::Managed {
    std::unique_ptr<CRoZudozuvDoc> document;
    QString title;
    QString path;
};

CDocumentManager::CDocumentManager(IDocumentPrompts& prompts, QObject* parent)
    : QObject(parent), m_prompts(prompts) {}

CDocumentManager::~CDocumentManager() = default;

CRoZudozuvDoc& CDocumentManager::Create(std::unique_ptr<CRoZudozuvDoc> document) {
    if (!document) {
        document = std::make_unique<CRoZudozuvDoc>();
    }
    return Add(std::move(document), tr("New File%1").arg(++m_nUntitled), {});
}

CRoZudozuvDoc* CDocumentManager::Open(const QString& path) {
    if (CRoZudozuvDoc* shown = DocumentOfFile(path)) {
        emit fileUsed(path);
        return shown;
    }
    auto document = std::make_unique<CRoZudozuvDoc>();
    try {
        LoadDocumentFile(QFile::encodeName(path).toStdString(), *document);
    } catch (const CDataFileError& error) {
        // Several files may be opened at once: say which one failed.
        m_prompts.ShowFileError(NameTheFile(path, QString::fromStdString(error.what())));
        emit openFailed(path);
        return nullptr;
    }
    // A document read from a file takes no live readings.
    document->SetRole(DocumentRole::NotRecording);
    CRoZudozuvDoc& opened = Add(std::move(document), QFileInfo(path).fileName(), path);
    emit fileUsed(path);
    return &opened;
}

CRoZudozuvDoc& CDocumentManager::Add(std::unique_ptr<CRoZudozuvDoc> document, const QString& title,
                                     const QString& path) {
    auto managed = std::make_unique<Managed>(Managed{std::move(document), title, path});
    CRoZudozuvDoc& added = *managed->document;
    m_documents.push_back(std::move(managed));
    emit created(&added);
    return added;
}

bool CDocumentManager::Save(CRoZudozuvDoc& document, bool askForName) {
    Managed* managed = Find(document);
    if (managed == nullptr) {
        return false;
    }
    QString path = managed->path;
    if (askForName || path.isEmpty()) {
        const QString suggested =
            path.isEmpty() ? managed->title + QString::fromLatin1(kDocumentExtension) : path;
        path = m_prompts.AskSaveFileName(suggested);
        if (path.isEmpty()) {
            return false;
        }
        if (const CRoZudozuvDoc* other = DocumentOfFile(path, &document)) {
            m_prompts.ShowFileError(tr("%1 is open in the window %2. Close that window "
                                       "first, or save under another name.")
                                        .arg(path, Title(*other)));
            return false;
        }
    }
    return SaveTo(*managed, path);
}

bool CDocumentManager::SaveTo(Managed& managed, const QString& path) {
    try {
        SaveDocumentFile(*managed.document, QFile::encodeName(path).toStdString());
    } catch (const CDataFileError& error) {
        m_prompts.ShowFileError(QString::fromStdString(error.what()));
        return false;
    }
    managed.document->MarkSaved();
    managed.path = path;
    managed.title = QFileInfo(path).fileName();
    emit saved(managed.document.get());
    emit titleChanged(managed.document.get());
    emit fileUsed(path);
    return true;
}

bool CDocumentManager::QueryClose(CRoZudozuvDoc& document) {
    if (!document.IsModified()) {
        return true;
    }
    const QString path = FilePath(document);
    switch (m_prompts.AskSaveChanges(path.isEmpty() ? Title(document) : path)) {
        case QMessageBox::Save:
            return Save(document, false);
        case QMessageBox::Discard:
            emit discarded(&document);
            return true;
        default:
            return false;
    }
}

void CDocumentManager::Close(CRoZudozuvDoc& document) {
    const auto found = std::find_if(
        m_documents.begin(), m_documents.end(),
        [&document](const auto& managed) { return managed->document.get() == &document; });
    if (found == m_documents.end()) {
        return;
    }
    std::unique_ptr<Managed> closed = std::move(*found);
    m_documents.erase(found);
    m_closed.push_back(std::move(closed));
    emit closing(&document);
}

void CDocumentManager::Release(CRoZudozuvDoc& document) {
    Close(document);
    std::erase_if(m_closed,
                  [&document](const auto& closed) { return closed->document.get() == &document; });
}

std::vector<CRoZudozuvDoc*> CDocumentManager::Documents() const {
    std::vector<CRoZudozuvDoc*> documents;
    for (const auto& managed : m_documents) {
        documents.push_back(managed->document.get());
    }
    return documents;
}

QString CDocumentManager::Title(const CRoZudozuvDoc& document) const {
    const Managed* managed = Find(document);
    return managed == nullptr ? QString() : managed->title;
}

QString CDocumentManager::FilePath(const CRoZudozuvDoc& document) const {
    const Managed* managed = Find(document);
    return managed == nullptr ? QString() : managed->path;
}

CRoZudozuvDoc* CDocumentManager::DocumentOfFile(const QString& path,
                                                const CRoZudozuvDoc* except) const {
    const std::optional<FileIdentity> wanted = IdentityOf(path);
    if (!wanted) {
        return nullptr;
    }
    for (const auto& managed : m_documents) {
        if (managed->document.get() != except && IdentityOf(managed->path) == wanted) {
            return managed->document.get();
        }
    }
    return nullptr;
}

CDocumentManager::Managed* CDocumentManager::Find(const CRoZudozuvDoc& document) const {
    for (const auto* list : {&m_documents, &m_closed}) {
        for (const auto& managed : *list) {
            if (managed->document.get() == &document) {
                return managed.get();
            }
        }
    }
    return nullptr;
}
