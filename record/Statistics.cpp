#include "record/Statistics.h"

#include <cstdio>
#include <cstring>

#include "decode/Clock.h"

namespace {

constexpr double kStartMaximum = -6000.0;
constexpr double kStartMinimum = 6000.0;
constexpr int kMeterYearOffset = 2000;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

bool IsCalendarDateTime(const MeterDateTime& t) {
    return t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= DaysInMonth(t.year, t.month) &&
           t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 && t.second >= 0 &&
           t.second <= 59;
}

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

std::optional<MeterDateTime> ParseMeterDateTime(const std::string& text) {
    MeterDateTime t;
    int twoDigitYear = 0;
    char suffix[5] = {};
    const int fields = std::sscanf(text.c_str(), "%d/%d/%d %d:%d:%d %4s", &t.day, &t.month,
                                   &twoDigitYear, &t.hour, &t.minute, &t.second, suffix);
    if (fields < 6 || twoDigitYear < 0 || twoDigitYear > 99) {
        return std::nullopt;
    }
    const bool pm = std::strcmp(suffix, "pm") == 0;
    if (pm || std::strcmp(suffix, "am") == 0) {
        t.hour = FromTwelveHourClock(t.hour, pm);
    }
    t.year = twoDigitYear + kMeterYearOffset;
    if (!IsCalendarDateTime(t)) {
        return std::nullopt;
    }
    return t;
}

std::optional<long> ParseElapsedSeconds(const std::string& text) {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d", &hours, &minutes, &seconds) != 3 || hours < 0 ||
        minutes < 0 || seconds < 0) {
        return std::nullopt;
    }
    return static_cast<long>(hours) * 3600 + static_cast<long>(minutes) * 60 + seconds;
}

std::string FormatMeterTime(std::time_t t) {
    const std::tm f = LocalFields(t);
    char text[64];
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.2d %.2d:%.2d:%.2d", f.tm_year + 1900,
                  f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec);
    return text;
}

std::string MeterTimeText(const std::string& startText, const std::string& elapsedText,
                          std::time_t now) {
    const std::optional<MeterDateTime> start = ParseMeterDateTime(startText);
    if (!start) {
        return FormatMeterTime(now);
    }
    const std::time_t startTime = MakeLocalTime(start->year, start->month, start->day, start->hour,
                                                start->minute, start->second);
    if (startTime == static_cast<std::time_t>(-1)) {
        return FormatMeterTime(now);
    }
    return FormatMeterTime(startTime + ParseElapsedSeconds(elapsedText).value_or(0));
}

float CrestFactor(float value, float maxValue, float minValue) {
    const float spread = maxValue - minValue;
    return static_cast<float>(spread / (static_cast<double>(value) * 2.0));
}
