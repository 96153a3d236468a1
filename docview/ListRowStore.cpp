#include "docview/ListRowStore.h"

#include "record/Document.h"
#include "record/LimitWatcher.h"

std::size_t CListRowStore::FillFromDocument() {
    const std::vector<RecordRef> order = ListRecordOrder(m_document);
    m_rows.reserve(m_rows.size() + order.size());
    for (const RecordRef& ref : order) {
        m_rows.push_back(Entry{ref.index, ref.channel});
    }
    return order.size();
}

void CListRowStore::Append(const ListRow& row) {
    m_rows.push_back(Entry{static_cast<std::uint32_t>(m_texts.size()), kTextRow});
    m_texts.push_back(Texts{row.timeText, row.unit, row.valueText, row.typeText, row.remark});
}

std::string CListRowStore::Text(std::size_t row, int column) const {
    if (row >= m_rows.size()) {
        return {};
    }
    if (column == 0) {
        return std::to_string(row + 1);
    }
    const Entry& entry = m_rows[row];
    if (entry.channel == kTextRow) {
        const Texts& texts = m_texts[entry.index];
        switch (column) {
            case 1:
                return texts.timeText;
            case 2:
                return texts.unit;
            case 3:
                return texts.valueText;
            case 4:
                return texts.typeText;
            case 5:
                return texts.remark;
            default:
                return {};
        }
    }
    const CObData& record = m_document.channels[entry.channel][entry.index];
    switch (column) {
        case 1:
            return record.timeText;
        case 2:
            return record.unit;
        case 3:
            return FormatListValue(record.value);
        case 4:
            return record.typeText;
        case 5:
            return entry.channel == 0 ? RemarkOfRow(m_document, record.sequence) : std::string();
        default:
            return {};
    }
}
