#include "cli/LinkLoop.h"

#include <chrono>
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
        if (!steps.silenceCounts || steps.silenceCounts()) {
            end.timeout = timeout.Tick();
            if (end.timeout.silent) {
                end.reason = LinkLoopEnd::Reason::Silence;
                return end;
            }
        }
        std::optional<LinkEvent> event = link.queue.Pop(kPollInterval);
        if (!event) {
            continue;
        }
        if (event->kind == LinkEvent::Kind::LinkLost) {
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
