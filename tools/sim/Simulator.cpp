#include "Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace sim {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A meter does not queue its display for a program that stops reading; beyond
// this much unsent output new chunks are dropped.
constexpr std::size_t kMaxPendingBytes = 64 * 1024;
// How often the start-up phase looks for the program opening the terminal.
constexpr milliseconds kPeerCheck{50};

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

int MillisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::duration_cast<milliseconds>(when - Clock::now()).count();
    return left < 0 ? 0 : static_cast<int>(left) + 1;
}

// Waits for the program to open the slave; false when a signal came first.
bool WaitForPeer(const Pty& pty, const SignalPipe& signals) {
    while (!pty.PeerPresent()) {
        pollfd fd{signals.ReadFd(), POLLIN, 0};
        const int ready = ::poll(&fd, 1, static_cast<int>(kPeerCheck.count()));
        if (ready < 0 && errno != EINTR) {
            ThrowSystemError("poll");
        }
        if (ready > 0) {
            return false;
        }
    }
    return true;
}

// Sleeps for a while unless a signal or a hang-up comes first; false if one did.
bool PauseWhilePeerStays(const Pty& pty, const SignalPipe& signals, milliseconds pause) {
    const auto until = Clock::now() + pause;
    while (Clock::now() < until) {
        pollfd fd{signals.ReadFd(), POLLIN, 0};
        const int wait = std::min(MillisecondsUntil(until), static_cast<int>(kPeerCheck.count()));
        if (::poll(&fd, 1, wait) > 0 || !pty.PeerPresent()) {
            return false;
        }
    }
    return true;
}

class Session {
  public:
    Session(Pty& pty, frames::Scenario& scenario, const SimOptions& options)
        : m_pty(pty), m_scenario(scenario), m_options(options) {}

    void Run(const SignalPipe& signals) {
        Clock::time_point nextTick = Clock::now();
        std::optional<Clock::time_point> endAt;
        for (;;) {
            std::array<pollfd, 2> fds{};
            fds[0] = {m_pty.MasterFd(),
                      static_cast<short>(POLLIN | (m_pending.empty() ? 0 : POLLOUT)), 0};
            fds[1] = {signals.ReadFd(), POLLIN, 0};
            int timeout = m_scenario.Finished() ? -1 : MillisecondsUntil(nextTick);
            if (endAt) {
                timeout = MillisecondsUntil(*endAt);
            }
            if (::poll(fds.data(), fds.size(), timeout) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                ThrowSystemError("poll");
            }
            if (fds[1].revents != 0) {
                Log("signal received, ending");
                return;
            }
            if ((fds[0].revents & POLLIN) != 0 && !ReadFromPeer()) {
                return;
            }
            if ((fds[0].revents & (POLLHUP | POLLERR)) != 0 && (fds[0].revents & POLLIN) == 0) {
                Log("the program closed the port, ending");
                return;
            }
            if ((fds[0].revents & POLLOUT) != 0) {
                WritePending();
            }
            if (!m_scenario.Finished() && Clock::now() >= nextTick) {
                Tick();
                nextTick = std::max(nextTick + milliseconds(m_scenario.IntervalMs()), Clock::now());
            }
            if (m_scenario.Finished() && m_pending.empty() && !endAt && m_options.lingerMs >= 0) {
                endAt = Clock::now() + milliseconds(m_options.lingerMs);
            }
            if (endAt && Clock::now() >= *endAt) {
                Log("scenario finished, ending");
                return;
            }
        }
    }

  private:
    // False when the peer has gone.
    bool ReadFromPeer() {
        std::array<std::uint8_t, 4096> buffer{};
        const ssize_t n = ::read(m_pty.MasterFd(), buffer.data(), buffer.size());
        if (n > 0) {
            const std::span<const std::uint8_t> bytes(buffer.data(), static_cast<std::size_t>(n));
            Log("received " + frames::ToHex(bytes));
            m_scenario.OnBytesFromProgram(bytes);
            return true;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        }
        if (n < 0 && errno != EIO) {
            ThrowSystemError("read from the pseudo-terminal");
        }
        Log("the program closed the port, ending");
        return false;
    }

    void Tick() {
        frames::Bytes chunk;
        for (int i = 0; i < m_options.chunksPerTick && !m_scenario.Finished(); ++i) {
            const frames::Bytes next = m_scenario.NextChunk();
            chunk.insert(chunk.end(), next.begin(), next.end());
        }
        if (chunk.empty()) {
            return;
        }
        if (m_pending.size() + chunk.size() > kMaxPendingBytes) {
            Log("the program is not reading; chunk dropped");
            return;
        }
        Log("sent " + frames::ToHex(chunk));
        m_pending.insert(m_pending.end(), chunk.begin(), chunk.end());
        WritePending();
    }

    void WritePending() {
        while (!m_pending.empty()) {
            const ssize_t n = ::write(m_pty.MasterFd(), m_pending.data(), m_pending.size());
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    return;
                }
                if (errno == EIO) {
                    return;  // the peer went away; the hang-up ends the session
                }
                ThrowSystemError("write to the pseudo-terminal");
            }
            m_pending.erase(m_pending.begin(), m_pending.begin() + n);
        }
    }

    void Log(const std::string& text) const {
        if (m_options.verbose) {
            std::cerr << "vavirir-sim: " << text << std::endl;
        }
    }

    Pty& m_pty;
    frames::Scenario& m_scenario;
    const SimOptions& m_options;
    frames::Bytes m_pending;
};

}  // namespace

SignalPipe::SignalPipe() {
    if (::pipe2(s_fds.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        ThrowSystemError("cannot create the signal pipe");
    }
    struct sigaction action {};
    action.sa_handler = &SignalPipe::OnSignal;
    action.sa_flags = SA_RESTART;  // the path's write to stdout is not cut short
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

SignalPipe::~SignalPipe() {
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::close(s_fds[0]);
    ::close(s_fds[1]);
}

void SignalPipe::OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const auto ignored = ::write(s_fds[1], &byte, 1);
    errno = saved;
}

void RunSimulator(Pty& pty, frames::Scenario& scenario, const SimOptions& options,
                  const SignalPipe& signals) {
    if (!WaitForPeer(pty, signals)) {
        return;
    }
    if (!PauseWhilePeerStays(pty, signals, milliseconds(options.startDelayMs))) {
        return;
    }
    Session(pty, scenario, options).Run(signals);
}

}  // namespace sim
