#include "cli/RecordJournal.h"

#include <cstdio>
#include <ctime>

CRecordJournal::~CRecordJournal() {
    if (m_pDocument != nullptr) {
        m_pDocument->RemoveObserver(m_writer.get());
    }
}

void CRecordJournal::Attach(CRoZudozuvDoc& doc) {
    try {
        m_writer = std::make_unique<CJournalWriter>(m_folder, m_documentName, std::time(nullptr));
    } catch (const CJournalError& error) {
        std::fprintf(stderr, "vavirir-cli record: journaling is off: %s\n", error.what());
        return;
    }
    m_pDocument = &doc;
    doc.AddObserver(m_writer.get());
    std::fprintf(stderr, "vavirir-cli record: journal %s\n", m_writer->Id().c_str());
}

void CRecordJournal::Tick() {
    if (m_writer) {
        Warn();
    }
}

void CRecordJournal::Sync() {
    if (m_writer) {
        m_writer->Sync();
        Warn();
    }
}

void CRecordJournal::Remove() {
    if (m_writer) {
        m_writer->Remove();
    }
}

void CRecordJournal::Warn() {
    if (const auto warning = m_writer->TakeWarning()) {
        std::fprintf(stderr, "vavirir-cli record: %s\n", warning->c_str());
    }
}
