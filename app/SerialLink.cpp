#include <charconv>

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
            warning = "Warning:Can't open " + (IsInteger(port) ? "COM" + port : port) + "!";
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
        warning = result.warning;
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
    static bool IsInteger(const std::string& text) {
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        return error == std::errc() && end == text.data() + text.size();
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
