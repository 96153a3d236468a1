#include "record/Dispatch.h"

#include <vector>

#include "decode/FullScale.h"
#include "record/Document.h"
#include "record/ListRows.h"

std::string LiveValueText(double value, int decimals) {
    return value == kOverloadValue ? std::string("OL") : FormatFixed(value, decimals);
}

std::optional<YRange> RangeForReading(int decimals, const std::string& function) {
    const std::optional<FullScale> scale = FullScaleFor(function, decimals, FullScaleSet::A);
    if (!scale) {
        return std::nullopt;
    }
    return YRange{scale->top, scale->bottom};
}

std::optional<YRange> AutoRangeAfter(const CRoZudozuvDoc& document,
                                     const AppendedRecords& appended) {
    if (appended.count == 0 || appended.channel != 0) {
        return std::nullopt;
    }
    // A download comes in two appends (its first record, then the rest); the
    // range follows the last.
    if (appended.origin == RecordOrigin::Download &&
        appended.first + appended.count == document.channels[0].size()) {
        return YRangeFromSummary(document.summary);
    }
    if (appended.origin == RecordOrigin::Live && document.autoScale) {
        const CObData& newest = document.channels[0][appended.first + appended.count - 1];
        return RangeForReading(appended.decimals, newest.typeText);
    }
    return std::nullopt;
}

void DispatchReading(CDocumentRegistry& registry, MeterReading& current, int channel, double value,
                     const std::string& unit, double sampleRate, const std::string& timeText,
                     std::time_t time, const std::string& typeText, int decimals,
                     const StopRequest& stop) {
    // A copy: stopping may change which documents are live, never the order.
    const std::vector<CRoZudozuvDoc*> documents = registry.Documents();
    for (CRoZudozuvDoc* document : documents) {
        if (document->Role() != DocumentRole::Live) {
            continue;
        }
        if (document->channels[0].size() >= CRoZudozuvDoc::kLiveCapacity) {
            document = stop(*document);
            if (document == nullptr) {
                return;
            }
        }
        const std::size_t count = document->channels[0].size();

        double recorded = value;
        if (current.limit < current.value) {
            current.value = static_cast<float>(kOverloadValue);
            recorded = kOverloadValue;
        }
        document->AddReading(channel, recorded, unit, sampleRate, static_cast<std::int32_t>(count),
                             timeText, typeText, current, document->autoScale, RecordOrigin::Live,
                             decimals, time);
    }
}
