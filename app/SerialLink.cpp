#include "app/MeterLink.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"
#include "link/PortDiscovery.h"
#include "link/Reconnect.h"

namespace {

// The meter's serial port with its reader thread.
class CSerialLink : public IMeterLink {
  public:
    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override {
        const std::optional<MeterPortResult> result =
            OpenPort(port, std::move(onReceive), std::move(onLost), kOpenAttempts);
        // Text that names no device, such as "-3", is shown as typed.
        warning = result ? result->Message() : "Warning:Can't open " + port + "!";
        return m_bOpen;
    }

    bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                std::string& reason) override {
        const std::optional<MeterPortResult> result =
            OpenPort(port, std::move(onReceive), std::move(onLost), 1);
        reason = result ? ReconnectFailureReason(result->error) : "no such port";
        return m_bOpen;
    }

    void Close() override {
        m_port.Close();
        m_bOpen = false;
    }
    bool IsOpen() const override { return m_bOpen; }
    int Write(const std::uint8_t* bytes, std::size_t count) override {
        return m_port.Write(bytes, count);
    }
    int ReadSize() const override { return m_port.ReadSize(); }
    void SetReadSize(int bytes) override { m_port.SetReadSize(bytes); }

  private:
    // Nothing when `port` names no device.
    std::optional<MeterPortResult> OpenPort(const std::string& port, ReceiveFn onReceive,
                                            LostFn onLost, int attempts) {
        Close();
        const std::optional<PortChoice> choice = ParsePortChoice(port);
        if (!choice) {
            return std::nullopt;
        }
        MeterPortResult result = OpenMeterPort(
            m_port, *choice, std::move(onReceive),
            [onLost = std::move(onLost)](const std::string&) {
                if (onLost) {
                    onLost();
                }
            },
            attempts);
        m_bOpen = result.opened;
        return result;
    }

    CComPort m_port;
    bool m_bOpen = false;
};

}  // namespace

std::unique_ptr<IMeterLink> MakeSerialLink() {
    return std::make_unique<CSerialLink>();
}

std::vector<std::string> DiscoverSystemPorts() {
    std::vector<std::string> names;
    for (const DiscoveredPort& port : DiscoverBluetoothPorts()) {
        names.push_back(port.name);
    }
    return names;
}
