#include "record/HeadlessHost.h"

namespace {

// A headless view that leaves live recording once it holds `limit` rows, so
// a chunk that brings several readings cannot overshoot the requested count.
class CLimitedView : public CRecordingTarget {
  public:
    CLimitedView(CRoZudozuvDoc& document, std::size_t limit)
        : CRecordingTarget(document), m_nLimit(limit) {}

  protected:
    void OnListRowAppended(const ListRow&) override {
        if (m_nLimit > 0 && static_cast<std::size_t>(ListRowCount()) >= m_nLimit) {
            liveTarget = false;
            Document().acquiring = false;
        }
    }

  private:
    std::size_t m_nLimit;
};

}  // namespace

CRecordingTarget* CHeadlessSessionHost::OpenNewDocument() {
    OpenDocument opened;
    opened.document = std::make_unique<CRoZudozuvDoc>();
    opened.view = std::make_unique<CLimitedView>(*opened.document, m_nLiveLimit);
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
