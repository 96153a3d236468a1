#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/Document.h"
#include "record/ListRows.h"

// The data list's columns: header and width in pixels.
struct ListColumn {
    const char* header;
    int width;
};
inline constexpr std::array<ListColumn, 6> kListColumns = {{
    {"ID", 70},
    {"Data Time", 150},
    {"Unit", 80},
    {"Value", 80},
    {"Type", 80},
    {"Remark", 60},
}};

// The rows of a view's data list, kept compactly: each row refers to a record
// of the document, and its texts are formatted when shown. The ID of a row is
// its position + 1. The store only grows.
class CListRowStore {
  public:
    explicit CListRowStore(const CRoZudozuvDoc& document) : m_document(document) {}

    // Appends the document's rows (main records, each followed by its
    // companion records); returns how many.
    std::size_t FillFromDocument();
    // Appends the rows of records just appended to the document's channel 0
    // or 1 (others are not listed); returns how many.
    std::size_t Append(const AppendedRecords& appended);

    std::size_t Size() const { return m_rows.size(); }
    // The text of one cell; column 5 (Remark) is empty unless the reading
    // crossed a limit.
    std::string Text(std::size_t row, int column) const;

  private:
    struct Entry {
        std::uint32_t index;
        std::uint8_t channel;
        RecordOrigin origin;  // with decimals, how the value is shown
        std::int8_t decimals;
    };

    const CRoZudozuvDoc& m_document;
    std::vector<Entry> m_rows;
};
