#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

#include "app/MeterLink.h"
#include "bluetooth/BluezService.h"
#include "connection/PortLink.h"
#include "link/MeterPort.h"
#include "link/PortDiscovery.h"

namespace {

// How often the wait for a Bluetooth connection looks whether it is made.
constexpr int kConnectPollMs = 50;
// The progress box appears only when connecting takes longer than this.
constexpr int kConnectProgressDelayMs = 500;

// The meter's serial port with its reader thread. A "bt:" port is connected
// by the Bluetooth service; the window never waits on it: an open keeps the
// event loop running behind a progress box, and a reopen takes the outcome
// of an attempt that the previous reopen started.
class CSerialLink : public CPortLink {
  public:
    explicit CSerialLink(std::shared_ptr<CBluezService> bluetooth)
        : CPortLink(bluetooth.get(), std::chrono::milliseconds(0)),
          m_pBluetooth(std::move(bluetooth)) {}

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
        const bool opened = CPortLink::Open(port, std::move(onReceive), std::move(onLost), warning);
        KeepAttemptUnderWay(choice);
        return opened;
    }

    bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                std::string& reason) override {
        const bool opened =
            CPortLink::Reopen(port, std::move(onReceive), std::move(onLost), reason);
        KeepAttemptUnderWay(ParsePortChoice(port));
        return opened;
    }

    void Close() override {
        CPortLink::Close();
        if (!m_strPendingAddress.empty() && m_pBluetooth) {
            m_pBluetooth->Disconnect(m_strPendingAddress);  // give up the attempt under way
        }
        m_strPendingAddress.clear();
    }

  private:
    void KeepAttemptUnderWay(const std::optional<PortChoice>& choice) {
        m_strPendingAddress = choice && ConnectionUnderWay() ? choice->bluetoothAddress : "";
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
