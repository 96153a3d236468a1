#pragma once

// The event loop `record` and `download` share: the reader's blocks go to the
// session on this thread, the data time-out is ticked between them, and a stop
// signal, a lost link or the command's own end condition ends it.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/MeterLink.h"
#include "link/Reconnect.h"
#include "record/DataTimeout.h"

struct LinkLoopSteps {
    // Hands one received block to the session.
    std::function<void(const std::vector<std::uint8_t>& bytes)> feed;
    // Asked before every wait and after every block: true ends the loop.
    std::function<bool()> done;
    // Whether the data time-out counts now (by default it always does).
    std::function<bool()> silenceCounts;
    // Told of a lost link: true when the loop goes on (a reconnect started).
    // Without it a lost link ends the loop.
    std::function<bool(const std::string& reason)> linkLost;
    // True while a reconnect is pending: silence then keeps the recording.
    std::function<bool()> reconnectPending;
    // True when silence keeps the recording even without a pending reconnect
    // (a long log); then silenceKept is told on every tick that finds the
    // meter silent.
    std::function<bool()> keepThroughSilence;
    std::function<void()> silenceKept;
    // Run on every turn of the loop, about ten times a second.
    std::function<void()> turn;
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

// Reopens the meter's device after its link was lost, once every period on
// the loop's turns, for as long as the loop runs. Says on stderr what it does.
class CLinkReconnect {
  public:
    CLinkReconnect(const char* command, CMeterLinkSession& link, CDataTimeout& timeout,
                   PortChoice choice, std::chrono::milliseconds period = kReconnectPeriod);

    // Plugs the reconnect into the loop's steps.
    void AttachTo(LinkLoopSteps& steps);

    bool OnLinkLost(const std::string& reason);
    void Turn();
    bool Pending() const { return m_schedule.Pending(); }

  private:
    const char* m_szCommand;
    CMeterLinkSession& m_link;
    CDataTimeout& m_timeout;
    PortChoice m_choice;
    CReconnectSchedule m_schedule;
    std::string m_strShownReason;
};
