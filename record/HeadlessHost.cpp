#include "record/HeadlessHost.h"

CRecordingTarget* CHeadlessSessionHost::OpenNewDocument() {
    OpenDocument opened;
    opened.document = std::make_unique<CRoZudozuvDoc>();
    opened.view = std::make_unique<CRecordingTarget>(*opened.document);
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
