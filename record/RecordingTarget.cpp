#include "record/RecordingTarget.h"

#include "record/Document.h"

CRecordingTarget::CRecordingTarget(CRoZudozuvDoc& document) : m_document(document) {
    if (m_document.FirstView() == nullptr) {
        m_document.SetFirstView(this);
    }
}

CRecordingTarget::~CRecordingTarget() {
    if (m_document.FirstView() == this) {
        m_document.SetFirstView(nullptr);
    }
}

void CRecordingTarget::AppendListRow(const ListRow& row) {
    ++m_nListRows;
    OnListRowAppended(row);
}
