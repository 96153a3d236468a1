#include "record/ListRows.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "decode/MeterReading.h"
#include "record/Document.h"

std::string FormatFixed(double value, int decimals) {
    // The decimals come from the meter's range byte and may be anything.
    const int precision = std::clamp(decimals, 0, 20);
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", precision, value);
    return text;
}

std::string FormatListValue(double value) {
    return value == kOverloadValue ? std::string("OL") : FormatFixed(value, 4);
}

ListRow MakeListRow(int rowIndex, const std::string& timeText, const std::string& unit,
                    const std::string& valueText, const std::string& typeText) {
    return ListRow{std::to_string(rowIndex + 1), timeText, unit, valueText, typeText};
}

std::vector<const CObData*> ListOrder(const CRoZudozuvDoc& document) {
    const std::vector<CObData>& main = document.channels[0];
    const std::vector<CObData>& companions = document.channels[1];

    // Companion records by sequence, in channel order, so a long recording is
    // not walked once per main record.
    std::unordered_map<std::int32_t, std::vector<const CObData*>> bySequence;
    for (const CObData& record : companions) {
        bySequence[record.sequence].push_back(&record);
    }

    std::vector<const CObData*> order;
    order.reserve(main.size() + companions.size());
    for (const CObData& record : main) {
        order.push_back(&record);
        const auto found = bySequence.find(record.sequence);
        if (found != bySequence.end()) {
            order.insert(order.end(), found->second.begin(), found->second.end());
        }
    }
    return order;
}

std::vector<ListRow> ListRowsFromDocument(const CRoZudozuvDoc& document) {
    const std::vector<const CObData*> order = ListOrder(document);
    std::vector<ListRow> rows;
    rows.reserve(order.size());
    for (const CObData* record : order) {
        rows.push_back(MakeListRow(static_cast<int>(rows.size()), record->timeText, record->unit,
                                   FormatListValue(record->value), record->typeText));
    }
    return rows;
}

void FillListFromDocument(CRecordingTarget& view) {
    for (const ListRow& row : ListRowsFromDocument(view.Document())) {
        // Row numbers continue from the rows already in the list.
        ListRow numbered = row;
        numbered.id = std::to_string(view.ListRowCount() + 1);
        view.AppendListRow(numbered);
    }
    view.RefreshSummary();
}
