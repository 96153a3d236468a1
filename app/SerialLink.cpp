#include "app/MeterLink.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"
#include "link/PortDiscovery.h"

namespace {

// The meter's serial port with its reader thread.
class CSerialLink : public IMeterLink {
  public:
    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override {
        Close();
        const std::optional<PortChoice> choice = ParsePortChoice(port);
        if (!choice) {
            // Text that names no device, such as "-3", is shown as typed.
            warning = "Warning:Can't open " + port + "!";
            return false;
        }
        const MeterPortResult result =
            OpenMeterPort(m_port, *choice, std::move(onReceive),
                          [onLost = std::move(onLost)](const std::string&) {
                              if (onLost) {
                                  onLost();
                              }
                          });
        m_bOpen = result.opened;
        warning = result.Message();
        return result.opened;
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
