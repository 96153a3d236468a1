#pragma once

// The texts a long recording says, shared by the program and the CLI.

#include <ctime>
#include <string>

// "HH:MM:SS" of a time in local time.
std::string ClockText(std::time_t time);

// "New File1 is full (20,000 readings): recording continues in New File2"
std::string RecordingContinuedText(const std::string& full, const std::string& next);

// "The meter is silent since 12:03:04"
std::string SilentSinceText(std::time_t lastData);
