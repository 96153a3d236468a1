#include "record/MeterRecords.h"

#include <optional>
#include <vector>

#include "decode/Clock.h"
#include "record/Document.h"
#include "record/Statistics.h"

namespace {

constexpr double kMeterRecordSampleRate = 1.0;

struct MeterRecord {
    int channel;
    float value;
    std::string unit;
    std::string typeText;
    std::string timeText;
    std::optional<std::time_t> time = std::nullopt;  // none for a time of day alone
};

// The min/max and peak frames: the value at the meter's time, then its
// maximum, minimum and average at the times the meter took them. The average
// is kept in the main unit.
std::vector<MeterRecord> StatisticsRecords(const MeterReading& r, std::time_t now,
                                           const char* maxType, const char* minType,
                                           const char* avgType) {
    const std::time_t meter = MeterTimeOf(r.startText, r.avgTime, now);
    return {{0, r.value, r.unit, r.function, FormatMeterTime(meter), meter},
            {1, r.maxValue, r.maxUnit, maxType, r.maxTime},
            {1, r.minValue, r.minUnit, minType, r.minTime},
            {1, r.avgValue, r.unit, avgType, r.avgTime}};
}

// The records a frame of `mode` yields, in the order they are added.
std::vector<MeterRecord> RecordsForMode(const MeterReading& r, MeterRecordMode mode,
                                        std::time_t now) {
    const std::string nowText = FormatPcTime(now);
    using enum MeterRecordMode;
    switch (mode) {
        case Plain:
        case AcPlusDc:
        case Frequency:
            return {{0, r.value, r.unit, r.function, nowText, now}};
        case MinMax:
            return StatisticsRecords(r, now, "Max", "Min", "Average");
        case Relative:
            return {{0, r.value, r.unit, r.function, nowText, now},
                    {1, r.reference, r.unit, "Ref", nowText, now},
                    {1, r.relative, r.unit, "Rel", nowText, now}};
        case Peak:
            return StatisticsRecords(r, now, "PeakMax", "PeakMin", "PeakAverage");
        case PeakCrest: {
            const std::time_t meter = MeterTimeOf(r.startText, r.avgTime, now);
            const std::string meterTime = FormatMeterTime(meter);
            const float crest = CrestFactor(r.value, r.maxValue, r.minValue);
            return {{0, r.value, r.unit, r.function, meterTime, meter},
                    {1, crest, "Crest Factor", "Crest Factor", meterTime, meter}};
        }
        case AcDcSplit:
            // The AC+DC frame carries no clock and no text of its own for the
            // alternate value: it is shown with the reading's unit, at the PC's time.
            return {{0, r.alternateValue, r.unit, r.function, nowText, now},
                    {1, r.secondValue, r.secondUnit, r.function, nowText, now}};
        case VacAux:
            return {{0, r.value, r.unit, r.function, nowText, now},
                    {1, r.auxValue, r.auxText, r.function, nowText, now}};
        default:
            return {};
    }
}

void ClampField(float& field, float limit) {
    if (field > limit) {
        field = static_cast<float>(kOverloadValue);
    }
}

}  // namespace

void ClampOverloads(MeterReading& r) {
    // The limit is read before any field changes.
    const float limit = r.limit;
    for (float* field : {&r.value, &r.reference, &r.relative, &r.alternateValue, &r.maxValue,
                         &r.minValue, &r.avgValue, &r.auxValue}) {
        ClampField(*field, limit);
    }
}

void BuildMeterRecords(CRoZudozuvDoc& document, MeterReading& reading, MeterRecordMode mode,
                       std::time_t now) {
    const auto sequence = static_cast<std::int32_t>(document.channels[0].size());
    ClampOverloads(reading);
    for (const MeterRecord& record : RecordsForMode(reading, mode, now)) {
        document.AddReading(record.channel, record.value, record.unit, kMeterRecordSampleRate,
                            sequence, record.timeText, record.typeText, reading, false,
                            RecordOrigin::MeterRecord, 4, record.time);
    }
}

namespace {

bool RouteToTargets(CDocumentRegistry& registry, MeterReading& reading, MeterRecordMode mode,
                    std::time_t now) {
    bool found = false;
    const std::vector<CRoZudozuvDoc*> documents = registry.Documents();
    for (CRoZudozuvDoc* document : documents) {
        if (document->Role() == DocumentRole::MeterRecords) {
            BuildMeterRecords(*document, reading, mode, now);
            found = true;
        }
    }
    return found;
}

}  // namespace

void RecordMeterFrame(CDocumentRegistry& registry, MeterReading& reading, MeterRecordMode mode,
                      std::time_t now, const MeterRecordRouting& routing) {
    if (RouteToTargets(registry, reading, mode, now)) {
        return;
    }
    routing.openTarget();
    RouteToTargets(registry, reading, mode, now);
    routing.stop();
}
