#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "link/SerialPort.h"

// How often the device of a lost link is tried again.
inline constexpr std::chrono::milliseconds kReconnectPeriod{2000};

// When to open a lost link's device again. The device the user opened is
// kept; when its link fails, the device is tried once every period until it
// opens, or until the user lets go of it (another port, the demo meter, a
// close on purpose, the end of the program). Time is passed in by the caller.
class CReconnectSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    explicit CReconnectSchedule(std::chrono::milliseconds period = kReconnectPeriod);

    // The user opened `device`: it is reopened when its link fails.
    void Keep(std::string device);
    // The user let go of the device: it is never reopened, and a pending
    // reconnect ends.
    void Forget();

    // The link failed at `now`. True when a reconnect starts (a kept device);
    // its first attempt is due one period later.
    bool LinkLost(Clock::time_point now);
    // An attempt failed at `now`; `reason` says why (empty: the device is
    // simply not there). The next attempt is due one period later.
    void AttemptFailed(Clock::time_point now, std::string reason);
    // The device opened again: the reconnect ends, the device stays kept.
    void AttemptSucceeded();

    bool Pending() const { return m_bPending; }
    bool Due(Clock::time_point now) const { return m_bPending && now >= m_tNextAttempt; }
    Clock::time_point NextAttempt() const { return m_tNextAttempt; }
    std::chrono::milliseconds Period() const { return m_period; }
    const std::optional<std::string>& Device() const { return m_device; }
    const std::string& Reason() const { return m_strReason; }

  private:
    std::chrono::milliseconds m_period;
    std::optional<std::string> m_device;
    bool m_bPending = false;
    Clock::time_point m_tNextAttempt{};
    std::string m_strReason;
};

// Why a reopen attempt failed, for the user: empty while the device is
// simply absent (the normal wait), otherwise the system's account, such as
// a busy port or a path that is no serial device.
std::string ReconnectFailureReason(const std::optional<CSerialException>& error);

// "Reconnecting to /dev/rfcomm0…", with the reason in parentheses when there is one.
std::string ReconnectingText(const std::string& device, const std::string& reason = {});
// "Connected to /dev/rfcomm0".
std::string ConnectedText(const std::string& device);
