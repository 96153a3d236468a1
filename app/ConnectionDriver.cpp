#include "app/ConnectionDriver.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/DemoMeter.h"
#include "bluetooth/BluezService.h"
#include "common/CLocaleFormat.h"
#include "link/ui/PortMenu.h"

namespace {

// The data time-out looks at the meter this often.
constexpr std::chrono::milliseconds kDataTimeoutPeriod{5000};

MeterConnectionOptions ConnectionOptions(const CConnectionDriver::Options& options) {
    MeterConnectionOptions connection;
    connection.reconnectPeriod = options.reconnectPeriod;
    connection.timeoutCheckPeriod = kDataTimeoutPeriod;
    return connection;
}

}  // namespace

CConnectionDriver::CConnectionDriver(IConnectionDocuments& documents, const IClock& clock,
                                     std::unique_ptr<IMeterLink> link, Options options,
                                     QWidget* window)
    : QObject(window),
      m_documents(documents),
      m_pWindow(window),
      m_bPrintReadings(options.printReadings),
      m_pConnection(std::make_unique<CMeterConnection>(
          static_cast<IConnectionObserver&>(*this), clock, std::move(link),
          ConnectionOptions(options), std::make_unique<CDemoLink>())) {
    // The reader thread's blocks are handed to this thread in order.
    m_pConnection->Inbox().SetWaker([this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_pConnection->Pump();
                ArmTick();
            },
            Qt::QueuedConnection);
    });
    m_tick.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &CConnectionDriver::OnTick);
    ArmTick();
}

CConnectionDriver::~CConnectionDriver() {
    if (m_pBluetooth) {
        m_pBluetooth->SetMetersChanged(nullptr);
    }
    // The readers and the demo meter end before anything they reach goes.
    m_pConnection.reset();
}

std::optional<QString> CConnectionDriver::OpenPort(const QString& port) {
    const Status opened = m_pConnection->Open(port.toStdString());
    ArmTick();
    if (!opened) {
        emit linkChanged();
        return QString::fromStdString(opened.Message());
    }
    emit statusMessage(QStringLiteral("Meter port %1 open").arg(port), 3000);
    emit linkChanged();
    return std::nullopt;
}

void CConnectionDriver::StartDemo(const QString& name) {
    m_pConnection->StartDemo(name.toStdString());
    ArmTick();
    emit linkChanged();
}

void CConnectionDriver::StopDemo() {
    m_pConnection->StopDemo();
    emit linkChanged();
}

void CConnectionDriver::Close() {
    m_pConnection->Close();
    ArmTick();
    emit linkChanged();
}

void CConnectionDriver::ReceiveBytes(const std::uint8_t* bytes, std::size_t count) {
    m_pConnection->ReceiveBytes(bytes, count);
}

void CConnectionDriver::CheckDataTimeout() {
    m_bRecordingBeforeCheck = m_documents.Recording();
    m_pConnection->CheckDataTimeout();
}

void CConnectionDriver::OnTick() {
    m_bRecordingBeforeCheck = m_documents.Recording();
    m_pConnection->Tick(CMeterConnection::Clock::now());
    ArmTick();
}

void CConnectionDriver::ArmTick() {
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(m_pConnection->NextTick() -
                                                                   CMeterConnection::Clock::now());
    m_tick.start(std::max(wait, std::chrono::milliseconds(0)));
}

void CConnectionDriver::StatusChanged(const ConnectionStatus& status) {
    switch (status.kind) {
        case ConnectionStatus::Kind::LinkLost:
            emit statusMessage(QStringLiteral("The link to the meter was lost."), 0);
            break;
        case ConnectionStatus::Kind::Reconnecting:
            emit statusMessage(QString::fromStdString(status.text), 0);
            break;
        case ConnectionStatus::Kind::Reconnected:
            // A passing message: what it covers (why a recording stopped) comes back.
            emit statusMessage(QString::fromStdString(status.text), 10000);
            break;
        case ConnectionStatus::Kind::Silent:
            // The face moves again once the meter speaks, but nothing is
            // recorded until the next Start: the status bar keeps saying so.
            if (m_bRecordingBeforeCheck && !Session().IsRunning()) {
                emit recordingStopped(
                    QStringLiteral("Recording stopped: the meter was silent for %1 s")
                        .arg(m_pConnection->SilenceSeconds()));
            }
            if (KeepsRecordingThroughSilence() && status.timeout.recordingKept) {
                emit statusMessage(QString::fromStdString(status.text), 0);
            }
            break;
    }
    emit linkChanged();
}

bool CConnectionDriver::KeepsRecordingThroughSilence() const {
    // A recording that continues when full is a long log: it outlasts a meter
    // that falls silent, and the readings carry on when it sends again.
    return m_documents.ContinuesWhenFull() && m_pConnection->Session().IsRunning();
}

void CConnectionDriver::ReadingDecoded(const MeterReading& reading, FaceNumber face,
                                       DialPosition dial, bool dialChanged) {
    (void)dialChanged;
    emit readingDecoded(reading, face, dial);
    if (m_bPrintReadings) {
        PrintReading(reading, face, dial);
    }
}

void CConnectionDriver::PrintReading(const MeterReading& reading, FaceNumber face,
                                     DialPosition dial) {
    const std::string line = FormatInCLocale(
        "reading face=%d dial=%d value=%.6g unit=%s function=%s\n", ToNumber(face), ToNumber(dial),
        static_cast<double>(reading.value), reading.unit.c_str(), reading.function.c_str());
    std::fputs(line.c_str(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        // The reader went away (| head): the program goes on without the listing.
        m_bPrintReadings = false;
        std::fprintf(stderr, "vavirir: readings are no longer printed: %s\n", std::strerror(errno));
    }
}

void CConnectionDriver::ShowDownloadProgress(int blockCount) {
    if (m_pWaitDlg == nullptr) {
        m_pWaitDlg = new CWaitDlg(m_pWindow);
    }
    m_pWaitDlg->ShowProgress(blockCount, m_pProgressArea);
}

void CConnectionDriver::SetDownloadProgress(int blocksDone) {
    if (m_pWaitDlg != nullptr) {
        m_pWaitDlg->SetPos(blocksDone);
    }
}

void CConnectionDriver::CloseDownloadProgress() {
    if (m_pWaitDlg != nullptr) {
        m_pWaitDlg->hide();
        m_pWaitDlg->deleteLater();
        m_pWaitDlg = nullptr;
    }
}

void CConnectionDriver::WatchBluetoothMeters(CPortMenu* menu,
                                             std::shared_ptr<CBluezService> bluetooth) {
    m_pBluetooth = std::move(bluetooth);
    if (!m_pBluetooth) {
        return;
    }
    menu->SetMeterDiscovery([bluetooth = m_pBluetooth] {
        std::vector<CPortMenu::MeterEntry> entries;
        for (const BluetoothMeter& meter : bluetooth->Meters()) {
            entries.push_back({meter.Label(), meter.PortName()});
        }
        return entries;
    });
    // Told on the Bluetooth service's thread: the menu is rebuilt on ours.
    m_pBluetooth->SetMetersChanged([menu] {
        QMetaObject::invokeMethod(menu, &CPortMenu::RefreshPortMenu, Qt::QueuedConnection);
    });
}
