#pragma once

#include <chrono>

#include "connection/MeterLink.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"

class ISocketConnector;

// The meter's serial port with its reader thread; "bt:ADDRESS" ports are
// connected through `connector` (none: they cannot be opened), waiting up to
// `connectWait` for it.
class CPortLink : public IMeterLink {
  public:
    explicit CPortLink(ISocketConnector* connector = nullptr,
                       std::chrono::milliseconds connectWait = std::chrono::milliseconds(0));

    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override;
    bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                std::string& reason) override;
    void Close() override;
    bool IsOpen() const override { return m_bOpen; }
    int Write(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_port.ReadSize(); }
    void SetReadSize(int bytes) override { m_port.SetReadSize(bytes); }
    std::optional<std::string> WriteFailure() const override;

    // Whether the last open left a Bluetooth connection under way (it timed out).
    bool ConnectionUnderWay() const { return m_bUnderWay; }

  private:
    // Nothing when `port` names no device.
    std::optional<MeterPortResult> OpenPort(const std::string& port, ReceiveFn onReceive,
                                            LostFn onLost, int attempts);

    CComPort m_port;
    bool m_bOpen = false;
    bool m_bUnderWay = false;
};
