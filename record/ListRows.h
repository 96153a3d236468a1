#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "record/Document.h"

// Texts of the data list's rows.

// One row of a view's data list: ID, Data Time, Unit, Value, Type, Remark
// (empty unless the reading crossed a limit).
struct ListRow {
    std::string id;
    std::string timeText;
    std::string unit;
    std::string valueText;
    std::string typeText;
    std::string remark;
};

// A value with a fixed number of decimals ("%.3f" for 3); negative counts
// print no decimals.
std::string FormatFixed(double value, int decimals);

// A value of a list rebuilt from a document: "OL" for the overload value,
// otherwise "%.4f".
std::string FormatListValue(double value);

// The value text of a record as the list shows it, by where it came from: a
// live reading with its own decimals ("OL" for the overload value), the
// meter's records and downloads with "%.4f", others as FormatListValue.
std::string AppendedValueText(const CObData& record, RecordOrigin origin, int decimals);

// The row at 0-based position `rowIndex` (its ID is rowIndex + 1).
ListRow MakeListRow(int rowIndex, const std::string& timeText, const std::string& unit,
                    const std::string& valueText, const std::string& typeText);

// A record of a document by channel and position.
struct RecordRef {
    std::uint32_t index = 0;
    std::uint8_t channel = 0;
    bool operator==(const RecordRef&) const = default;
};

// The records of a document's list in list order: each main record followed by
// the companion records that carry its sequence number. Channel 2 is not
// shown, and companion records whose sequence matches no main record never
// appear.
std::vector<RecordRef> ListRecordOrder(const CRoZudozuvDoc& document);

// The rows of a document's list, in ListRecordOrder.
std::vector<ListRow> ListRowsFromDocument(const CRoZudozuvDoc& document);
