#include "record/Dispatch.h"

#include <array>
#include <vector>

#include "record/Document.h"
#include "record/ListRows.h"

namespace {

// Functions whose readings never go below zero, and those that do.
bool IsUnipolarFunction(const std::string& f) {
    return f == "VAC" || f == "RES" || f == "Diode" || f == "mVAC" || f == "AAC" || f == "mAAC" ||
           f == "uAAC";
}

bool IsBipolarFunction(const std::string& f) {
    return f == "VDC" || f == "mVDC" || f == "ADC" || f == "mADC" || f == "uADC";
}

}  // namespace

std::string LiveValueText(double value, int decimals) {
    return value == kOverloadValue ? std::string("OL") : FormatFixed(value, decimals);
}

std::optional<YRange> RangeForReading(int decimals, const std::string& function) {
    const bool unipolar = IsUnipolarFunction(function);
    const bool bipolar = IsBipolarFunction(function);
    if (!unipolar && !bipolar) {
        return std::nullopt;
    }
    double top = 0.0;
    switch (decimals) {
        case 4:
            top = 5.0;
            break;
        case 3:
            top = 50.0;
            break;
        case 2:
            top = 500.0;
            break;
        case 1:
            // Microamperes keep a wider range at one decimal.
            top = (function == "uAAC" || function == "uADC") ? 5000.0 : 1000.0;
            break;
        default:
            return std::nullopt;
    }
    return YRange{top, unipolar ? 0.0 : -top};
}

void DispatchReading(CDocumentRegistry& registry, MeterReading& current, int channel, double value,
                     const std::string& unit, double sampleRate, const std::string& timeText,
                     const std::string& typeText, int decimals, const StopRequest& stop) {
    // A copy: stopping may change which views are live, never the order.
    const std::vector<CRecordingTarget*> views = registry.Views();
    for (CRecordingTarget* view : views) {
        if (!view->liveTarget) {
            continue;
        }
        CRoZudozuvDoc& document = view->Document();
        const std::size_t count = document.channels[0].size();
        if (count >= CRoZudozuvDoc::kLiveCapacity) {
            stop(*view);
            return;
        }

        double recorded = value;
        if (current.limit < current.value) {
            current.value = static_cast<float>(kOverloadValue);
            recorded = kOverloadValue;
        }

        document.AddReading(channel, recorded, unit, sampleRate, static_cast<std::int32_t>(count),
                            timeText, typeText, current);
        view->RefreshGraph();
        view->AppendListRow(MakeListRow(view->ListRowCount(), timeText, unit,
                                        LiveValueText(recorded, decimals), typeText));

        if (view->autoScale) {
            SpreadSentinelExtremes(document.summary);
            if (const std::optional<YRange> range =
                    RangeForReading(current.decimals, current.function)) {
                view->SetYRange(range->top, range->bottom);
            }
        }
    }
}
