#include "display/GraphSetting.h"

#include <cstdlib>

#include "record/Statistics.h"

std::optional<SettingScaleValues> CheckScaleSelection(int maximumIndex, int minimumIndex) {
    const int count = static_cast<int>(kSettingMaximumEntries.size());
    if (maximumIndex < 0 || minimumIndex < 0 || maximumIndex >= count || minimumIndex >= count ||
        maximumIndex < minimumIndex) {
        return std::nullopt;
    }
    return SettingScaleValues{static_cast<double>(std::atoi(
                                  kSettingMaximumEntries[static_cast<std::size_t>(maximumIndex)])),
                              static_cast<double>(std::atoi(
                                  kSettingMinimumEntries[static_cast<std::size_t>(minimumIndex)]))};
}

std::optional<GraphYRange> GraphSettingYRange(bool autoScale, const SettingScaleValues& values,
                                              const DocumentSummary& summary) {
    if (values.minimum > values.maximum) {
        return std::nullopt;
    }
    if (!autoScale) {
        return GraphYRange{values.maximum, values.minimum};
    }
    // An empty document still holds the summary's starting extremes, maximum
    // below minimum; a range from them would turn the graph upside down.
    if (summary.maximum < summary.minimum) {
        return std::nullopt;
    }
    const YRange range = YRangeForAutoScaleSetting(summary);
    return GraphYRange{range.top, range.bottom};
}
