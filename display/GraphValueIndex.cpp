#include "display/GraphValueIndex.h"

#include <algorithm>
#include <cmath>

#include "display/GraphState.h"

namespace {

void Add(GraphValueExtremes& extremes, double value) {
    if (std::isnan(value)) {
        extremes.nan = true;
    } else if (!extremes.any) {
        extremes.low = extremes.high = value;
        extremes.any = true;
    } else {
        extremes.low = std::min(extremes.low, value);
        extremes.high = std::max(extremes.high, value);
    }
}

void Merge(GraphValueExtremes& into, const GraphValueExtremes& from) {
    if (from.any) {
        Add(into, from.low);
        Add(into, from.high);
    }
    into.nan = into.nan || from.nan;
}

}  // namespace

GraphValueExtremes ScanValueExtremes(std::span<const CObData> records, std::size_t first,
                                     std::size_t last, double overloadAs) {
    GraphValueExtremes extremes;
    for (std::size_t k = first; k <= last; ++k) {
        const double value = records[k].value;
        Add(extremes, value >= kGraphOverload ? overloadAs : value);
    }
    return extremes;
}

void CGraphValueIndex::Update(std::span<const CObData> records) {
    if (records.data() != m_pData || records.size() < m_nRecords) {
        m_pData = records.data();
        m_nRecords = 0;
        m_blocks.clear();
    }
    // The last block may have been partial: it is measured again.
    std::size_t start = m_blocks.size() * kBlockSize;
    if (start > m_nRecords) {
        m_blocks.pop_back();
        start -= kBlockSize;
    }
    for (; start < records.size(); start += kBlockSize) {
        const std::size_t end = std::min(records.size(), start + kBlockSize);
        Block block;
        for (std::size_t k = start; k < end; ++k) {
            const double value = records[k].value;
            if (value >= kGraphOverload) {
                block.overload = true;
            } else {
                Add(block.values, value);
            }
        }
        m_blocks.push_back(block);
    }
    m_nRecords = records.size();
}

GraphValueExtremes CGraphValueIndex::Extremes(std::span<const CObData> records, std::size_t first,
                                              std::size_t last, double overloadAs) const {
    const bool current = records.data() == m_pData && records.size() == m_nRecords;
    const std::size_t firstWhole = (first + kBlockSize - 1) / kBlockSize;
    const std::size_t endWhole = (last + 1) / kBlockSize;
    if (!current || firstWhole >= endWhole) {
        return ScanValueExtremes(records, first, last, overloadAs);
    }
    GraphValueExtremes extremes;
    if (first < firstWhole * kBlockSize) {
        extremes = ScanValueExtremes(records, first, firstWhole * kBlockSize - 1, overloadAs);
    }
    for (std::size_t b = firstWhole; b < endWhole; ++b) {
        Merge(extremes, m_blocks[b].values);
        if (m_blocks[b].overload) {
            Add(extremes, overloadAs);
        }
    }
    if (endWhole * kBlockSize <= last) {
        Merge(extremes, ScanValueExtremes(records, endWhole * kBlockSize, last, overloadAs));
    }
    return extremes;
}
