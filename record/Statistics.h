#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "common/ObData.h"
#include "common/TimeText.h"
#include "decode/MeterReading.h"
#include "record/Document.h"

// The summary arithmetic of a recording and the meter's own clock, as pure
// functions (the meter's time texts are read and written by common/TimeText.h).

// A value in base units for comparing extremes: a unit text containing "k" or
// "K" scales by 1000, otherwise one containing "M" by 1000000.
double ScaleToBaseUnits(double value, const std::string& unit);

// One counted main record: extremes (scaled) with their times, type, sum
// (unscaled), count and average. Start and end times are the document's job.
void AdvanceSummary(DocumentSummary& summary, int& countedNumber, const CObData& record);

// The one-pass summary of adopted downloaded records, starting from `summary`
// as it is: no scaling, no overload test, countedNumber untouched. An empty
// list changes nothing.
void ApplyBulkSummary(DocumentSummary& summary, const std::vector<CObData>& records);

// Before the automatic range step: extremes still at their starting values
// become 5000 / -5000, and equal extremes are moved 0.1 apart.
void SpreadSentinelExtremes(DocumentSummary& summary);

struct YRange {
    double top = 0.0;
    double bottom = 0.0;
    bool operator==(const YRange&) const = default;
};

// The graph range of an opened or adopted recording: a tenth of the spread
// added on each side, at least 0.01.
YRange YRangeFromSummary(const DocumentSummary& summary);

// The same for Graph Setting with automatic scale: the margin is replaced by
// 0.01 only when the extremes are equal.
YRange YRangeForAutoScaleSetting(const DocumentSummary& summary);

// The moment a meter-record frame was taken by the meter's clock: its start
// date-time plus the elapsed time of its average. When the start is
// unreadable, the PC's time `now` stands in for the meter's clock (an
// unreadable elapsed time alone counts as zero).
std::time_t MeterTimeOf(const std::string& startText, const std::string& elapsedText,
                        std::time_t now);

// That moment as the meter's clock shows it (FormatMeterTime).
std::string MeterTimeText(const std::string& startText, const std::string& elapsedText,
                          std::time_t now);

// (max - min) / (value * 2) in single precision, with no guard: a zero value
// gives an infinity, or NaN for 0/0.
float CrestFactor(float value, float maxValue, float minValue);
