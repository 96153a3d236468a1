#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "record/Document.h"
#include "record/Journal.h"

// What becomes of a journal left behind, chosen in the recovery offer.
enum class JournalChoice { Recover, Discard, Later };

// One left journal as the recovery offer lists it.
struct JournalOfferRow {
    QString name;       // the document's name, empty when it had none or is unknown
    QString time;       // "2026-12-08 09:05", empty when unknown
    QString readings;   // "1,234", empty when unknown
    QString condition;  // what was damaged, or "" when the journal is whole
    QString path;
    bool recoverable = true;  // false when the header is damaged
};

// The crash journals of the main frame's documents. A document gets a journal
// with its first record (live readings, meter-record frames, an adopted
// download); the journal goes when the document is saved or discarded on
// purpose, and stays on disk when the program ends any other way, to be offered
// at the next start. A journal folder that cannot be used turns journaling off
// with one message; a failed write shows one warning; recording goes on.
class CDocumentJournals : public QObject {
    Q_OBJECT
  public:
    using Warn = std::function<void(const QString& text)>;

    CDocumentJournals(std::string folder, Warn warn, QObject* parent = nullptr);
    ~CDocumentJournals() override;

    // Journals every record `doc` appends from now on; `name` gives the name
    // the journal keeps (the window's title when the first record comes).
    void Watch(CRoZudozuvDoc& doc, std::function<std::string()> name);
    // The document's window goes: its journal, if any, is flushed and kept.
    void Forget(CRoZudozuvDoc& doc);
    // The document was saved or discarded: its journal is deleted. A later
    // record starts a new one.
    void Remove(CRoZudozuvDoc& doc);
    // Every journal to disk now (Stop).
    void SyncAll();

    // Offers every journal left behind by a program that ended without saving
    // in one question (oldest first; journals another running program holds
    // are skipped, journals without records are deleted). `ask` returns a
    // choice for each row. Recover hands the rebuilt document to `open`, which
    // shows it and returns it; the journal then belongs to it, unless part of
    // it could not be read: then the journal stays on disk, and a message says
    // so. Discard deletes the journal; Later keeps it for the next start.
    using AskChoices =
        std::function<std::vector<JournalChoice>(const std::vector<JournalOfferRow>& rows)>;
    void OfferLeftJournals(
        const AskChoices& ask,
        const std::function<CRoZudozuvDoc*(std::unique_ptr<CRoZudozuvDoc>)>& open);

    bool Enabled() const { return m_bEnabled; }
    const std::string& Folder() const { return m_folder; }

  private:
    class CDocJournal;
    friend class CDocJournal;

    struct LeftJournal;
    std::vector<LeftJournal> FindLeftJournals();
    void Recover(LeftJournal& left,
                 const std::function<CRoZudozuvDoc*(std::unique_ptr<CRoZudozuvDoc>)>& open);
    void Disable(const std::string& why);
    void Tick();
    void WriterStarted();

    std::string m_folder;
    Warn m_warn;
    bool m_bEnabled = true;
    std::map<CRoZudozuvDoc*, std::unique_ptr<CDocJournal>> m_journals;
    QTimer m_tick;
};

// The offer's row of a journal, or of a file that could not be read as one.
JournalOfferRow OfferRow(const std::string& path, const JournalContents& contents);
