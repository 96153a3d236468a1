#include "docview/ListRowStore.h"

#include <algorithm>

#include "record/LimitWatcher.h"

std::size_t CListRowStore::FillFromDocument() {
    const std::vector<RecordRef> order = ListRecordOrder(m_document);
    m_rows.reserve(m_rows.size() + order.size());
    for (const RecordRef& ref : order) {
        m_rows.push_back(Entry{ref.index, ref.channel, RecordOrigin::Other, 4});
    }
    return order.size();
}

std::size_t CListRowStore::Append(const AppendedRecords& appended) {
    if (appended.channel != 0 && appended.channel != 1) {
        return 0;
    }
    // Formatting clamps the decimals to 0..20 all the same.
    const auto decimals = static_cast<std::int8_t>(std::clamp(appended.decimals, 0, 20));
    for (std::size_t i = appended.first; i < appended.first + appended.count; ++i) {
        m_rows.push_back(Entry{static_cast<std::uint32_t>(i),
                               static_cast<std::uint8_t>(appended.channel), appended.origin,
                               decimals});
    }
    return appended.count;
}

std::string CListRowStore::Text(std::size_t row, int column) const {
    if (row >= m_rows.size()) {
        return {};
    }
    if (column == 0) {
        return std::to_string(row + 1);
    }
    const Entry& entry = m_rows[row];
    const CObData& record = m_document.channels[entry.channel][entry.index];
    switch (column) {
        case 1:
            return record.timeText;
        case 2:
            return record.unit;
        case 3:
            return AppendedValueText(record, entry.origin, entry.decimals);
        case 4:
            return record.typeText;
        case 5:
            return entry.channel == 0 ? RemarkOfRow(m_document, record.sequence) : std::string();
        default:
            return {};
    }
}
