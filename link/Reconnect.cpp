#include "link/Reconnect.h"

#include <cerrno>

CReconnectSchedule::CReconnectSchedule(std::chrono::milliseconds period) : m_period(period) {}

void CReconnectSchedule::Keep(std::string device) {
    m_device = std::move(device);
    m_bPending = false;
    m_strReason.clear();
}

void CReconnectSchedule::Forget() {
    m_device.reset();
    m_bPending = false;
    m_strReason.clear();
}

bool CReconnectSchedule::LinkLost(Clock::time_point now) {
    if (!m_device) {
        return false;
    }
    // The first attempt waits a period too: a device that has just hung up is
    // rarely back at once, and an instant retry could spin on a flapping link.
    m_bPending = true;
    m_tNextAttempt = now + m_period;
    m_strReason.clear();
    return true;
}

void CReconnectSchedule::AttemptFailed(Clock::time_point now, std::string reason) {
    if (!m_bPending) {
        return;
    }
    m_tNextAttempt = now + m_period;
    m_strReason = std::move(reason);
}

void CReconnectSchedule::AttemptSucceeded() {
    m_bPending = false;
    m_strReason.clear();
}

std::string ReconnectFailureReason(const std::optional<CSerialException>& error) {
    // EINPROGRESS: a Bluetooth connection is still being made.
    if (!error || error->m_dwError == ENOENT || error->m_dwError == EINPROGRESS) {
        return {};
    }
    return error->what();
}

std::string ReconnectingText(const std::string& device, const std::string& reason) {
    std::string text = "Reconnecting to " + device + "\u2026";
    if (!reason.empty()) {
        text += " (" + reason + ")";
    }
    return text;
}

std::string ConnectedText(const std::string& device) {
    return "Connected to " + device;
}
