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

// One stderr line for a crossing, without the line end.
inline std::string CrossingText(const std::string& clock, LimitSide side, double value,
                                const LimitOptions& options) {
    return CrossingText(clock, side, value, options.highText, options.lowText);
}
