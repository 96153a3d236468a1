#include "cli/LinkLoop.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

// How long the loop waits for a block before it looks at the clock again.
constexpr std::chrono::milliseconds kPollInterval{100};

}  // namespace

LinkLoopEnd RunLinkLoop(CMeterLinkSession& link, CDataTimeout& timeout,
                        const LinkLoopSteps& steps) {
    LinkLoopEnd end;
    for (;;) {
        if (steps.done && steps.done()) {
            end.reason = LinkLoopEnd::Reason::Done;
            return end;
        }
        if (StopSignalled()) {
            end.reason = LinkLoopEnd::Reason::Signal;
            return end;
        }
        const bool reconnecting = steps.reconnectPending && steps.reconnectPending();
        const bool keep = reconnecting || (steps.keepThroughSilence && steps.keepThroughSilence());
        if (!steps.silenceCounts || steps.silenceCounts()) {
            end.timeout = timeout.Tick({}, keep);
            if (end.timeout.silent && !keep) {
                end.reason = LinkLoopEnd::Reason::Silence;
                return end;
            }
            if (end.timeout.silent && !reconnecting && steps.silenceKept) {
                steps.silenceKept();
            }
        }
        if (steps.turn) {
            steps.turn();
        }
        std::optional<LinkEvent> event = link.queue.Pop(kPollInterval);
        if (!event) {
            continue;
        }
        if (event->kind == LinkEvent::Kind::LinkLost) {
            if (steps.linkLost && steps.linkLost(event->reason)) {
                continue;
            }
            end.reason = LinkLoopEnd::Reason::LinkLost;
            end.lossReason = event->reason;
            return end;
        }
        steps.feed(event->bytes);
        if (steps.done && steps.done()) {
            end.reason = LinkLoopEnd::Reason::Done;
            return end;
        }
    }
}

void DrainLink(CMeterLinkSession& link, const std::function<bool()>& accept,
               const std::function<void(const std::vector<std::uint8_t>& bytes)>& feed) {
    link.port.Close();
    while (std::optional<LinkEvent> event = link.queue.TryPop()) {
        if (event->kind == LinkEvent::Kind::Bytes && accept()) {
            feed(event->bytes);
        }
    }
}

// ---------------------------------------------------------------------------
// CLinkReconnect

CLinkReconnect::CLinkReconnect(const char* command, CMeterLinkSession& link, CDataTimeout& timeout,
                               PortChoice choice, std::chrono::milliseconds period)
    : m_szCommand(command),
      m_link(link),
      m_timeout(timeout),
      m_choice(std::move(choice)),
      m_schedule(period) {
    m_schedule.Keep(m_choice.Device());
}

void CLinkReconnect::AttachTo(LinkLoopSteps& steps) {
    steps.linkLost = [this](const std::string& reason) { return OnLinkLost(reason); };
    steps.reconnectPending = [this] { return Pending(); };
    steps.turn = [this] { Turn(); };
}

bool CLinkReconnect::OnLinkLost(const std::string& reason) {
    if (!m_schedule.LinkLost(CReconnectSchedule::Clock::now())) {
        return false;
    }
    // The reader has ended; its descriptor goes now, not at the next attempt.
    m_link.port.Close();
    m_strShownReason.clear();
    std::fprintf(stderr, "vavirir-cli %s: %s\nvavirir-cli %s: %s\n", m_szCommand, reason.c_str(),
                 m_szCommand, ReconnectingText(m_choice.Device()).c_str());
    return true;
}

void CLinkReconnect::Turn() {
    const auto now = CReconnectSchedule::Clock::now();
    if (!m_schedule.Due(now)) {
        return;
    }
    if (m_link.Reopen(m_choice)) {
        m_schedule.AttemptSucceeded();
        // The silence counts afresh from the reopen, not from the last block
        // before the gap.
        m_timeout.CountFromNow();
        std::fprintf(stderr, "vavirir-cli %s: %s\n", m_szCommand,
                     ConnectedText(m_choice.Device()).c_str());
        return;
    }
    const std::string reason = ReconnectFailureReason(m_link.port.LastError());
    m_schedule.AttemptFailed(now, reason);
    if (reason != m_strShownReason) {
        // A new reason is said once, not every period.
        std::fprintf(stderr, "vavirir-cli %s: %s\n", m_szCommand,
                     ReconnectingText(m_choice.Device(), reason).c_str());
        m_strShownReason = reason;
    }
}
