#include "record/HeadlessHost.h"

#include <algorithm>

// Takes a live document out of recording once it holds `limit` readings, so a
// chunk that brings several readings cannot overshoot the requested count. A
// document that continues a full one counts on from the readings before it.
class CHeadlessSessionHost::CLiveLimit : public IDocumentObserver {
  public:
    CLiveLimit(CRoZudozuvDoc& document, std::size_t limit) : m_document(document), m_nLimit(limit) {
        m_document.AddObserver(this);
    }
    ~CLiveLimit() override { m_document.RemoveObserver(this); }
    CLiveLimit(const CLiveLimit&) = delete;
    CLiveLimit& operator=(const CLiveLimit&) = delete;

    void ContinueFrom(const CLiveLimit& full) {
        m_nBefore = full.m_nBefore + full.m_document.channels[0].size();
    }

    void RecordsAppended(const CRoZudozuvDoc&, const AppendedRecords& appended) override {
        if (appended.origin != RecordOrigin::Live || m_nLimit == 0) {
            return;
        }
        if (m_nBefore + m_document.channels[0].size() >= m_nLimit) {
            m_document.SetRole(DocumentRole::NotRecording);
        }
    }

  private:
    CRoZudozuvDoc& m_document;
    std::size_t m_nLimit;
    std::size_t m_nBefore = 0;
};

CHeadlessSessionHost::CHeadlessSessionHost(int readSize, Writer writer)
    : m_writer(std::move(writer)), m_nReadSize(readSize) {}

CHeadlessSessionHost::~CHeadlessSessionHost() = default;

void CHeadlessSessionHost::RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
    const OpenDocument* fullOpen = nullptr;
    const OpenDocument* nextOpen = nullptr;
    for (const OpenDocument& opened : m_documents) {
        if (opened.document.get() == &full) {
            fullOpen = &opened;
        } else if (opened.document.get() == &next) {
            nextOpen = &opened;
        }
    }
    if (fullOpen != nullptr && nextOpen != nullptr) {
        nextOpen->limit->ContinueFrom(*fullOpen->limit);
    }
    m_onContinued(full, next);
}

void CHeadlessSessionHost::CloseDocument(const CRoZudozuvDoc& document,
                                         CDocumentRegistry& registry) {
    const auto closing = std::find_if(
        m_documents.begin(), m_documents.end(),
        [&](const OpenDocument& opened) { return opened.document.get() == &document; });
    if (closing == m_documents.end()) {
        return;
    }
    registry.Remove(closing->document.get());
    // The limit looks at its document as it goes, so it goes first: the
    // erase below moves the later entries down onto this one, and a move
    // assignment replaces the document before the limit.
    closing->limit.reset();
    m_documents.erase(closing);
}

CRoZudozuvDoc* CHeadlessSessionHost::OpenNewDocument() {
    OpenDocument opened;
    opened.document = std::make_unique<CRoZudozuvDoc>();
    opened.limit = std::make_unique<CLiveLimit>(*opened.document, m_nLiveLimit);
    CRoZudozuvDoc* document = opened.document.get();
    m_documents.push_back(std::move(opened));
    return document;
}

void CHeadlessSessionHost::WriteToMeter(const std::uint8_t* bytes, std::size_t count) {
    if (m_writer) {
        m_writer(bytes, count);
    }
}

std::vector<const CRoZudozuvDoc*> CHeadlessSessionHost::Documents() const {
    std::vector<const CRoZudozuvDoc*> documents;
    documents.reserve(m_documents.size());
    for (const OpenDocument& opened : m_documents) {
        documents.push_back(opened.document.get());
    }
    return documents;
}
