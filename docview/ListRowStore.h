#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/ListRows.h"

class CRoZudozuvDoc;

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

// The rows of a view's data list, kept compactly: rows filled from the
// document are references to its records and are formatted when shown; rows
// appended while readings arrive keep the texts they were given. The ID of a
// row is its position + 1. The store only grows.
class CListRowStore {
  public:
    explicit CListRowStore(const CRoZudozuvDoc& document) : m_document(document) {}

    // Appends the document's rows (main records, each followed by its
    // companion records); returns how many.
    std::size_t FillFromDocument();
    // Appends a row with its own texts (its ID is ignored).
    void Append(const ListRow& row);

    std::size_t Size() const { return m_rows.size(); }
    // The text of one cell; column 5 (Remark) is empty unless the reading
    // crossed a limit.
    std::string Text(std::size_t row, int column) const;

  private:
    // A record of the document, or (channel kTextRow) an index into m_texts.
    struct Entry {
        std::uint32_t index;
        std::uint8_t channel;
    };
    static constexpr std::uint8_t kTextRow = 0xFF;
    struct Texts {
        std::string timeText;
        std::string unit;
        std::string valueText;
        std::string typeText;
        std::string remark;
    };

    const CRoZudozuvDoc& m_document;
    std::vector<Entry> m_rows;
    std::vector<Texts> m_texts;
};
