#include "connection/PortLink.h"

#include <cerrno>

#include "link/Reconnect.h"

CPortLink::CPortLink(ISocketConnector* connector, std::chrono::milliseconds connectWait) {
    m_port.SetSocketConnector(connector, connectWait);
}

bool CPortLink::Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                     std::string& warning) {
    const std::optional<MeterPortResult> result =
        OpenPort(port, std::move(onReceive), std::move(onLost), kOpenAttempts);
    // Text that names no device, such as "-3", is shown as typed.
    warning = result ? result->Message() : "Warning:Can't open " + port + "!";
    return m_bOpen;
}

bool CPortLink::Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                       std::string& reason) {
    const std::optional<MeterPortResult> result =
        OpenPort(port, std::move(onReceive), std::move(onLost), 1);
    reason = result ? ReconnectFailureReason(result->error) : "no such port";
    return m_bOpen;
}

std::optional<MeterPortResult> CPortLink::OpenPort(const std::string& port, ReceiveFn onReceive,
                                                   LostFn onLost, int attempts) {
    m_port.Close();
    m_bOpen = false;
    const std::optional<PortChoice> choice = ParsePortChoice(port);
    if (!choice) {
        return std::nullopt;
    }
    MeterPortResult result =
        OpenMeterPort(m_port, *choice, std::move(onReceive), std::move(onLost), attempts);
    m_bOpen = result.opened;
    m_bUnderWay = choice->IsBluetooth() && result.error && result.error->m_dwError == EINPROGRESS;
    return result;
}

void CPortLink::Close() {
    m_port.Close();
    m_bOpen = false;
}

int CPortLink::Write(const std::uint8_t* bytes, std::size_t count) {
    return m_port.Write(bytes, count);
}

std::optional<std::string> CPortLink::WriteFailure() const {
    const auto error = m_port.LastError();
    if (!error) {
        return std::nullopt;
    }
    return std::string(error->what());
}
