#include "record/ListRows.h"

#include <algorithm>
#include <unordered_map>

#include "common/CLocaleFormat.h"
#include "decode/MeterReading.h"
#include "record/Dispatch.h"
#include "record/Document.h"

std::string FormatFixed(double value, int decimals) {
    // The decimals come from the meter's range byte and may be anything.
    const int precision = std::clamp(decimals, 0, 20);
    return FormatInCLocale("%.*f", precision, value);
}

std::string FormatListValue(double value) {
    return value == kOverloadValue ? std::string("OL") : FormatFixed(value, 4);
}

std::string AppendedValueText(const CObData& record, RecordOrigin origin, int decimals) {
    switch (origin) {
        case RecordOrigin::Live:
            return LiveValueText(record.value, decimals);
        case RecordOrigin::MeterRecord:
        case RecordOrigin::Download:
            return FormatFixed(record.value, 4);
        case RecordOrigin::Other:
            break;
    }
    return FormatListValue(record.value);
}

ListRow MakeListRow(int rowIndex, const std::string& timeText, const std::string& unit,
                    const std::string& valueText, const std::string& typeText) {
    return ListRow{std::to_string(rowIndex + 1), timeText, unit, valueText, typeText, {}};
}

std::vector<RecordRef> ListRecordOrder(const CRoZudozuvDoc& document) {
    const std::vector<CObData>& main = document.channels[0];
    const std::vector<CObData>& companions = document.channels[1];

    // Companion records by sequence, in channel order, so a long recording is
    // not walked once per main record.
    std::unordered_map<std::int32_t, std::vector<std::uint32_t>> bySequence;
    for (std::size_t i = 0; i < companions.size(); ++i) {
        bySequence[companions[i].sequence].push_back(static_cast<std::uint32_t>(i));
    }

    std::vector<RecordRef> order;
    order.reserve(main.size() + companions.size());
    for (std::size_t i = 0; i < main.size(); ++i) {
        order.push_back(RecordRef{static_cast<std::uint32_t>(i), 0});
        const auto found = bySequence.find(main[i].sequence);
        if (found != bySequence.end()) {
            for (std::uint32_t companion : found->second) {
                order.push_back(RecordRef{companion, 1});
            }
        }
    }
    return order;
}

std::vector<ListRow> ListRowsFromDocument(const CRoZudozuvDoc& document) {
    std::vector<ListRow> rows;
    for (const RecordRef& ref : ListRecordOrder(document)) {
        const CObData& record = document.channels[ref.channel][ref.index];
        rows.push_back(MakeListRow(static_cast<int>(rows.size()), record.timeText, record.unit,
                                   FormatListValue(record.value), record.typeText));
    }
    return rows;
}
