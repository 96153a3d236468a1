#pragma once

// The texts a long recording says, shared by the program and the CLI.

#include <ctime>
#include <string>

#include "common/TimeText.h"  // ClockText
#include "record/LimitWatcher.h"

// "New File1 is full (20,000 readings): recording continues in New File2"
std::string RecordingContinuedText(const std::string& full, const std::string& next);

// "The meter is silent since 12:03:04"
std::string SilentSinceText(std::time_t lastData);

// The line that says a crossing into `side`, e.g. "12:03:04 above high 5.2 > 5.0",
// "12:03:05 below low OL < 1", "12:04:10 back within limits"; the limits are
// given as the user wrote them.
std::string CrossingText(const std::string& clock, LimitSide side, double value,
                         const std::string& highText, const std::string& lowText);
