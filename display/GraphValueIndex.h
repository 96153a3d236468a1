#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "common/ObData.h"

// The smallest and largest value of records a … b, overloads counted as a
// given value (the top of the graph's range), and whether any was NaN.
struct GraphValueExtremes {
    double low = 0.0;
    double high = 0.0;
    bool any = false;  // a value other than NaN was seen
    bool nan = false;
};

// Extremes of the record values per block of records, so that a pixel column
// holding thousands of samples is measured without reading every record.
// Records are only ever appended or all replaced: Update extends the index
// after appends and rebuilds it for another array.
class CGraphValueIndex {
  public:
    static constexpr std::size_t kBlockSize = 64;

    void Update(std::span<const CObData> records);

    // Extremes over records[first … last]; reads the blocks when the index is
    // up to date for records, else every record of the range.
    GraphValueExtremes Extremes(std::span<const CObData> records, std::size_t first,
                                std::size_t last, double overloadAs) const;

  private:
    struct Block {
        GraphValueExtremes values;  // without the overloads
        bool overload = false;
    };

    const CObData* m_pData = nullptr;
    std::size_t m_nRecords = 0;
    std::vector<Block> m_blocks;
};

// Extremes over records[first … last] by reading each record.
GraphValueExtremes ScanValueExtremes(std::span<const CObData> records, std::size_t first,
                                     std::size_t last, double overloadAs);
