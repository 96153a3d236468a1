#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "decode/MeterReading.h"
#include "record/DocumentRegistry.h"
#include "record/Statistics.h"

// Delivery of live readings to the documents that take them.

// The value text of a live list row: the reading's own number of decimals, or
// "OL" for the overload value.
std::string LiveValueText(double value, int decimals);

// The graph range that automatic scaling gives a reading of this function
// shown with this many decimals; nothing when the range is to stay as it is.
std::optional<YRange> RangeForReading(int decimals, const std::string& function);

// The graph range a view takes after `appended` under its document's
// automatic scale: a live reading's full scale, or a download's extremes;
// nothing when the range is to stay as it is.
std::optional<YRange> AutoRangeAfter(const CRoZudozuvDoc& document,
                                     const AppendedRecords& appended);

// Called with the live document that is full. Either stops acquisition and
// returns nullptr, or takes `full` out of live recording and returns a new
// document that takes the reading instead.
using StopRequest = std::function<CRoZudozuvDoc*(CRoZudozuvDoc& full)>;

// Gives one live reading, taken at `time`, to every live document, in registry order, as an
// append of a live reading (the document's observers list it, draw it and
// scale to it). A reading above the current reading's limit is recorded as
// the overload value, and `current.value` becomes that value too. A document
// already holding its live capacity calls `stop`: when it stops acquisition,
// the whole dispatch ends and this reading goes to no later document either;
// when it names a new document, the reading goes there, so none is lost at
// the seam.
void DispatchReading(CDocumentRegistry& registry, MeterReading& current, int channel, double value,
                     const std::string& unit, double sampleRate, const std::string& timeText,
                     std::time_t time, const std::string& typeText, int decimals,
                     const StopRequest& stop);
