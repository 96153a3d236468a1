#include "record/Dispatch.h"

#include <array>
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

void DispatchReading(CDocumentRegistry& registry, MeterReading& current, int channel, double value,
                     const std::string& unit, double sampleRate, const std::string& timeText,
                     std::time_t time, const std::string& typeText, int decimals,
                     const StopRequest& stop) {
    // A copy: stopping may change which views are live, never the order.
    const std::vector<CRecordingTarget*> views = registry.Views();
    for (CRecordingTarget* view : views) {
        if (!view->liveTarget) {
            continue;
        }
        if (view->Document().channels[0].size() >= CRoZudozuvDoc::kLiveCapacity) {
            view = stop(*view);
            if (view == nullptr) {
                return;
            }
        }
        CRoZudozuvDoc& document = view->Document();
        const std::size_t count = document.channels[0].size();

        double recorded = value;
        if (current.limit < current.value) {
            current.value = static_cast<float>(kOverloadValue);
            recorded = kOverloadValue;
        }

        CObData record{recorded, unit,    sampleRate, static_cast<std::int32_t>(count),
                       timeText, typeText};
        record.SetDecimals(decimals);
        record.overload = recorded == kOverloadValue;
        record.SetTime(time);
        document.AddReading(channel, record, current, view->autoScale);
        view->RefreshGraph();
        view->AppendListRow(MakeListRow(view->ListRowCount(), timeText, unit,
                                        LiveValueText(recorded, decimals), typeText));

        if (view->autoScale) {
            if (const std::optional<YRange> range =
                    RangeForReading(current.decimals, current.function)) {
                view->SetYRange(range->top, range->bottom);
            }
        }
    }
}
