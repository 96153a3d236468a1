#pragma once

// The crash journal of the document `record` fills: made when the document
// opens, written as readings arrive, removed once the data file is saved.
// Journaling never ends a recording; a journal that cannot be made or written
// is said once on stderr.

#include <memory>
#include <string>

#include "record/Document.h"
#include "record/Journal.h"

class CRecordJournal {
  public:
    CRecordJournal(std::string folder, std::string documentName)
        : m_folder(std::move(folder)), m_documentName(std::move(documentName)) {}
    ~CRecordJournal();
    CRecordJournal(const CRecordJournal&) = delete;
    CRecordJournal& operator=(const CRecordJournal&) = delete;

    // Journals every record doc appends from now on.
    void Attach(CRoZudozuvDoc& doc);
    // Says a failed journal write, once; call it a few times a second.
    void Tick();
    // Everything to disk now (the recording ended).
    void Sync();
    // The document is saved: the journal goes.
    void Remove();

  private:
    void Warn();

    std::string m_folder;
    std::string m_documentName;
    std::unique_ptr<CJournalWriter> m_writer;
    CRoZudozuvDoc* m_pDocument = nullptr;
};
