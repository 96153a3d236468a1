#include "record/Statistics.h"

namespace {

constexpr double kStartMaximum = -6000.0;
constexpr double kStartMinimum = 6000.0;

}  // namespace

double ScaleToBaseUnits(double value, const std::string& unit) {
    if (unit.find_first_of("kK") != std::string::npos) {
        return value * 1000.0;
    }
    if (unit.find('M') != std::string::npos) {
        return value * 1000000.0;
    }
    return value;
}

void AdvanceSummary(DocumentSummary& summary, int& countedNumber, const CObData& record) {
    const double scaled = ScaleToBaseUnits(record.value, record.unit);
    if (scaled > summary.maximum) {
        summary.maximum = scaled;
        summary.maximumTime = record.timeText;
    }
    if (scaled < summary.minimum) {
        summary.minimum = scaled;
        summary.minimumTime = record.timeText;
    }
    summary.type = record.typeText;
    countedNumber += 1;
    summary.sum += record.value;
    summary.average = summary.sum / countedNumber;
}

void ApplyBulkSummary(DocumentSummary& summary, const std::vector<CObData>& records) {
    if (records.empty()) {
        return;
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const CObData& record = records[i];
        summary.sum += record.value;
        summary.average = summary.sum / static_cast<double>(i + 1);
        if (record.value > summary.maximum) {
            summary.maximum = record.value;
            summary.maximumTime = record.timeText;
        }
        if (record.value < summary.minimum) {
            summary.minimum = record.value;
            summary.minimumTime = record.timeText;
        }
    }
    summary.sampleRate = records.front().sampleRate;
    summary.type = records.front().typeText;
    summary.startTime = records.front().timeText;
    summary.endTime = records.back().timeText;
    summary.dataNumber = static_cast<std::int32_t>(records.size());
}

void SpreadSentinelExtremes(DocumentSummary& summary) {
    if (summary.maximum == kStartMaximum) {
        summary.maximum = 5000.0;
    }
    if (summary.minimum == kStartMinimum) {
        summary.minimum = -5000.0;
    }
    if (summary.maximum == summary.minimum) {
        summary.maximum += 0.1;
        summary.minimum -= 0.1;
    }
}

YRange YRangeFromSummary(const DocumentSummary& summary) {
    double span = (summary.maximum - summary.minimum) / 10.0;
    if (span < 0.01) {
        span = 0.01;
    }
    return {summary.maximum + span, summary.minimum - span};
}

YRange YRangeForAutoScaleSetting(const DocumentSummary& summary) {
    double span = (summary.maximum - summary.minimum) / 10.0;
    if (span == 0.0) {
        span = 0.01;
    }
    return {summary.maximum + span, summary.minimum - span};
}

std::time_t MeterTimeOf(const std::string& startText, const std::string& elapsedText,
                        std::time_t now) {
    const std::optional<CalendarTime> start = ParseMeterDateTime(startText);
    if (!start) {
        return now;
    }
    const std::time_t startTime = MakeLocalTime(start->year, start->month, start->day, start->hour,
                                                start->minute, start->second);
    if (startTime == static_cast<std::time_t>(-1)) {
        return now;
    }
    return startTime + ParseElapsedSeconds(elapsedText).value_or(0);
}

std::string MeterTimeText(const std::string& startText, const std::string& elapsedText,
                          std::time_t now) {
    return FormatMeterTime(MeterTimeOf(startText, elapsedText, now));
}

float CrestFactor(float value, float maxValue, float minValue) {
    const float spread = maxValue - minValue;
    return static_cast<float>(spread / (static_cast<double>(value) * 2.0));
}
