#include "record/HeadlessHost.h"

#include <algorithm>

// A headless view that leaves live recording once it holds `limit` rows, so
// a chunk that brings several readings cannot overshoot the requested count.
// A view that continues a full one counts on from the rows before it.
class CHeadlessSessionHost::CLimitedView : public CRecordingTarget {
  public:
    CLimitedView(CRoZudozuvDoc& document, std::size_t limit, const std::function<void()>& observer)
        : CRecordingTarget(document), m_nLimit(limit), m_observer(observer) {}

    void ContinueFrom(const CLimitedView& full) {
        m_nRowsBefore = full.m_nRowsBefore + static_cast<std::size_t>(full.ListRowCount());
    }

  protected:
    void OnListRowAppended(const ListRow&) override {
        const std::size_t rows = m_nRowsBefore + static_cast<std::size_t>(ListRowCount());
        if (m_nLimit > 0 && rows >= m_nLimit) {
            liveTarget = false;
            Document().acquiring = false;
        }
        if (m_observer) {
            m_observer();
        }
    }

  private:
    std::size_t m_nLimit;
    const std::function<void()>& m_observer;
    std::size_t m_nRowsBefore = 0;
};

CHeadlessSessionHost::CHeadlessSessionHost(int readSize, Writer writer)
    : m_writer(std::move(writer)), m_nReadSize(readSize) {}

CHeadlessSessionHost::~CHeadlessSessionHost() = default;

void CHeadlessSessionHost::RecordingContinued(CRecordingTarget& full, CRecordingTarget& next) {
    const OpenDocument* fullOpen = nullptr;
    const OpenDocument* nextOpen = nullptr;
    for (const OpenDocument& opened : m_documents) {
        if (opened.view.get() == &full) {
            fullOpen = &opened;
        } else if (opened.view.get() == &next) {
            nextOpen = &opened;
        }
    }
    if (fullOpen != nullptr && nextOpen != nullptr) {
        nextOpen->view->ContinueFrom(*fullOpen->view);
    }
    m_onContinued(full.Document(), next.Document());
}

void CHeadlessSessionHost::CloseDocument(const CRoZudozuvDoc& document,
                                         CDocumentRegistry& registry) {
    const auto closing = std::find_if(
        m_documents.begin(), m_documents.end(),
        [&](const OpenDocument& opened) { return opened.document.get() == &document; });
    if (closing == m_documents.end()) {
        return;
    }
    registry.Remove(closing->view.get());
    // The view looks at its document as it goes, so it goes first: the
    // erase below moves the later entries down onto this one, and a move
    // assignment replaces the document before the view.
    closing->view.reset();
    m_documents.erase(closing);
}

CRecordingTarget* CHeadlessSessionHost::OpenNewDocument() {
    OpenDocument opened;
    opened.document = std::make_unique<CRoZudozuvDoc>();
    opened.view = std::make_unique<CLimitedView>(*opened.document, m_nLiveLimit, m_rowObserver);
    CRecordingTarget* view = opened.view.get();
    m_documents.push_back(std::move(opened));
    return view;
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
