#pragma once

// The event loop `record` and `download` share: the reader's blocks go to the
// session on this thread, the data time-out is ticked between them, and a stop
// signal, a lost link or the command's own end condition ends it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/MeterLink.h"
#include "record/DataTimeout.h"

struct LinkLoopSteps {
    // Hands one received block to the session.
    std::function<void(const std::vector<std::uint8_t>& bytes)> feed;
    // Asked before every wait and after every block: true ends the loop.
    std::function<bool()> done;
    // Whether the data time-out counts now (by default it always does).
    std::function<bool()> silenceCounts;
};

struct LinkLoopEnd {
    enum class Reason { Done, Signal, Silence, LinkLost };
    Reason reason = Reason::Signal;
    std::string lossReason;     // the system's reason when the link was lost
    DataTimeoutResult timeout;  // the tick that found the meter silent
};

LinkLoopEnd RunLinkLoop(CMeterLinkSession& link, CDataTimeout& timeout, const LinkLoopSteps& steps);

// Closes the port, which hands over a block the reader still held, and feeds
// the blocks still queued for as long as `accept` says so.
void DrainLink(CMeterLinkSession& link, const std::function<bool()>& accept,
               const std::function<void(const std::vector<std::uint8_t>& bytes)>& feed);
