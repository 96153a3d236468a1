#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include "app/MeterLink.h"
#include "bluetooth/BluezService.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"
#include "link/PortDiscovery.h"
#include "link/Reconnect.h"

#include <cerrno>

namespace {

// How often the wait for a Bluetooth connection looks whether it is made.
constexpr int kConnectPollMs = 50;
// The progress box appears only when connecting takes longer than this.
constexpr int kConnectProgressDelayMs = 500;

// The meter's serial port with its reader thread. A "bt:" port is connected
// by the Bluetooth service; the window never waits on it: an open keeps the
// event loop running behind a progress box, and a reopen takes the outcome
// of an attempt that the previous reopen started.
class CSerialLink : public IMeterLink {
  public:
    explicit CSerialLink(std::shared_ptr<CBluezService> bluetooth)
        : m_pBluetooth(std::move(bluetooth)) {
        m_port.SetSocketConnector(m_pBluetooth.get(), std::chrono::milliseconds(0));
    }

    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override {
        const std::optional<PortChoice> choice = ParsePortChoice(port);
        if (choice && choice->IsBluetooth() && m_pBluetooth) {
            Close();
            if (!WaitForConnection(*choice)) {
                warning = OpenPortWarning(*choice) + "\nThe connection was cancelled.";
                return false;
            }
        }
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
        CloseLink();
        if (!m_strPendingAddress.empty() && m_pBluetooth) {
            m_pBluetooth->Disconnect(m_strPendingAddress);  // give up the attempt under way
        }
        m_strPendingAddress.clear();
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
        CloseLink();
        const std::optional<PortChoice> choice = ParsePortChoice(port);
        if (!choice) {
            return std::nullopt;
        }
        MeterPortResult result =
            OpenMeterPort(m_port, *choice, std::move(onReceive), std::move(onLost), attempts);
        m_bOpen = result.opened;
        const bool underWay = result.error && result.error->m_dwError == EINPROGRESS;
        m_strPendingAddress = choice->IsBluetooth() && underWay ? choice->bluetoothAddress : "";
        return result;
    }

    void CloseLink() {
        m_port.Close();
        m_bOpen = false;
    }

    // Lets the Bluetooth service connect the meter while the windows stay
    // responsive; a modal progress box with Cancel keeps the user from
    // starting anything else meanwhile. False when the user cancelled.
    bool WaitForConnection(const PortChoice& choice) {
        const std::string& address = choice.bluetoothAddress;
        m_pBluetooth->Start(address);
        if (m_pBluetooth->Settled(address)) {
            return true;
        }
        QProgressDialog progress(
            QStringLiteral("Connecting to %1\u2026").arg(QString::fromStdString(choice.Device())),
            QStringLiteral("Cancel"), 0, 0);
        progress.setWindowTitle(QStringLiteral("Vavirir"));
        progress.setWindowModality(Qt::ApplicationModal);
        progress.setMinimumDuration(kConnectProgressDelayMs);
        QEventLoop loop;
        QTimer poll;
        poll.setInterval(kConnectPollMs);
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (m_pBluetooth->Settled(address)) {
                loop.quit();
            }
        });
        QObject::connect(&progress, &QProgressDialog::canceled, &loop, &QEventLoop::quit);
        poll.start();
        loop.exec();
        if (m_pBluetooth->Settled(address)) {
            return true;
        }
        m_pBluetooth->Disconnect(address);
        return false;
    }

    std::shared_ptr<CBluezService> m_pBluetooth;
    CComPort m_port;
    bool m_bOpen = false;
    std::string m_strPendingAddress;  // a Bluetooth attempt a reopen started
};

}  // namespace

std::unique_ptr<IMeterLink> MakeSerialLink(std::shared_ptr<CBluezService> bluetooth) {
    return std::make_unique<CSerialLink>(std::move(bluetooth));
}

std::vector<std::string> DiscoverSystemPorts() {
    std::vector<std::string> names;
    for (const DiscoveredPort& port : DiscoverBluetoothPorts()) {
        names.push_back(port.name);
    }
    return names;
}
