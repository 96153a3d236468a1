#include "connection/PortLink.h"

#include "link/MeterPort.h"
#include "link/Reconnect.h"

CPortLink::CPortLink(ISocketConnector* connector, std::chrono::milliseconds connectWait) {
    m_port.SetSocketConnector(connector, connectWait);
}

bool CPortLink::Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                     std::string& warning) {
    Close();
    const std::optional<PortChoice> choice = ParsePortChoice(port);
    if (!choice) {
        // Text that names no device, such as "-3", is shown as typed.
        warning = "Warning:Can't open " + port + "!";
        return false;
    }
    const MeterPortResult result =
        OpenMeterPort(m_port, *choice, std::move(onReceive), std::move(onLost), kOpenAttempts);
    m_bOpen = result.opened;
    warning = result.Message();
    return m_bOpen;
}

bool CPortLink::Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                       std::string& reason) {
    Close();
    const std::optional<PortChoice> choice = ParsePortChoice(port);
    if (!choice) {
        reason = "no such port";
        return false;
    }
    const MeterPortResult result =
        OpenMeterPort(m_port, *choice, std::move(onReceive), std::move(onLost), 1);
    m_bOpen = result.opened;
    reason = ReconnectFailureReason(result.error);
    return m_bOpen;
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
