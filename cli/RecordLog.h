#pragma once

// The pieces of a long `record` log that are plain arithmetic on texts: the
// names of the rolled files, the limit options and the lines said on stderr.

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>

#include "record/LimitWatcher.h"
#include "record/LongLogText.h"

// The name of part `part` (from 1) of a rolled log: the first keeps `first`,
// later parts put "-<part>" before the extension: log.txt, log-2.txt, …
std::string RolledFileName(const std::string& first, std::size_t part);

// The limits as given on the command line, kept as typed for the messages.
struct LimitOptions {
    Limits limits;
    std::string highText;
    std::string lowText;
};

// A finite number in the C locale's form ("5", "-0.25", "1e3"); nullopt otherwise.
std::optional<double> ParseNumber(const std::string& text);

// One stderr line for a crossing into `side`, without the line end, e.g.
// "12:03:04 above high 5.2 > 5.0", "12:03:05 below low OL < 1",
// "12:04:10 back within limits".
std::string CrossingText(const std::string& clock, LimitSide side, double value,
                         const LimitOptions& options);
