#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "app/WaitDlg.h"
#include "connection/MeterConnection.h"

class CBluezService;
class CPortMenu;

// What the connection asks of the program's documents (see ISessionHost).
class IConnectionDocuments {
  public:
    virtual ~IConnectionDocuments() = default;
    virtual CRoZudozuvDoc* OpenNewDocument() = 0;
    virtual void DownloadAdopted(CRoZudozuvDoc& document) = 0;
    virtual bool ContinuesWhenFull() const = 0;
    virtual void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) = 0;
    // Whether a live document takes readings now.
    virtual bool Recording() const = 0;
};

// The desktop program's meter connection: the core connection fed from the
// reader thread's queued blocks and a timer set to its next tick. What it
// tells goes out as signals (face, status bar, link state); the download's
// progress box is its own.
class CConnectionDriver : public QObject, private IConnectionObserver {
    Q_OBJECT
  public:
    struct Options {
        std::chrono::milliseconds reconnectPeriod = kReconnectPeriod;
        bool printReadings = false;  // each face reading also on stdout
    };

    // `link` reads the ports; `window` holds the progress box over `progressArea`.
    CConnectionDriver(IConnectionDocuments& documents, const IClock& clock,
                      std::unique_ptr<IMeterLink> link, Options options, QWidget* window);
    ~CConnectionDriver() override;

    // Opens `port` (a number or a device path); the warning to show when it failed.
    std::optional<QString> OpenPort(const QString& port);
    void StartDemo(const QString& name);
    void StopDemo();
    bool DemoRunning() const { return m_pConnection->DemoRunning(); }
    // The program ends: the link closes and nothing is reopened.
    void Close();

    // Received bytes on this thread, decoded at once.
    void ReceiveBytes(const std::uint8_t* bytes, std::size_t count);
    // The data time-out check, now.
    void CheckDataTimeout();

    // Lists the paired Bluetooth meters in `menu` as they come and go.
    void WatchBluetoothMeters(CPortMenu* menu, std::shared_ptr<CBluezService> bluetooth);
    void SetProgressArea(QWidget* area) { m_pProgressArea = area; }

    CMeterSession& Session() { return m_pConnection->Session(); }
    FaceState Face() const { return m_pConnection->Face(); }
    const CLinkHealth& Health() const { return m_pConnection->Health(); }
    CWaitDlg* WaitDlg() const { return m_pWaitDlg; }
    void CloseDownloadProgress() override;

  signals:
    void faceChanged(FaceState face);
    void readingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial);
    // A status bar text; 0 keeps it until the next one.
    void statusMessage(const QString& text, int timeoutMs);
    // Why the recording stopped, for the idle text.
    void recordingStopped(const QString& why);
    // The meter's name while its link is up (for the MQTT status), or none.
    void meterChanged(const std::optional<std::string>& meter);
    // The link opened, closed, was lost or came back.
    void linkChanged();
    // A block is about to be decoded, and has been.
    void bytesArriving();
    void bytesDecoded();

  private:
    // IConnectionObserver
    CRoZudozuvDoc* OpenNewDocument() override { return m_documents.OpenNewDocument(); }
    void DownloadAdopted(CRoZudozuvDoc& document) override {
        m_documents.DownloadAdopted(document);
    }
    bool ContinuesWhenFull() const override { return m_documents.ContinuesWhenFull(); }
    void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) override {
        m_documents.RecordingContinued(full, next);
    }
    void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                        bool dialChanged) override;
    void FaceChanged(FaceState face) override { emit faceChanged(face); }
    void ShowDownloadProgress(int blockCount) override;
    void SetDownloadProgress(int blocksDone) override;
    void BytesArriving() override { emit bytesArriving(); }
    void BytesDecoded() override { emit bytesDecoded(); }
    void LinkChanged(const std::optional<std::string>& meter) override { emit meterChanged(meter); }
    void StatusChanged(const ConnectionStatus& status) override;
    bool KeepsRecordingThroughSilence() const override;

    // Sets the timer to the connection's next tick.
    void ArmTick();
    void OnTick();
    void PrintReading(const MeterReading& reading, FaceNumber face, DialPosition dial);

    IConnectionDocuments& m_documents;
    QWidget* m_pWindow;
    QWidget* m_pProgressArea = nullptr;
    bool m_bPrintReadings;
    std::unique_ptr<CMeterConnection> m_pConnection;
    QTimer m_tick;
    QPointer<CWaitDlg> m_pWaitDlg;
    std::shared_ptr<CBluezService> m_pBluetooth;
    // Whether a live document recorded before the running time-out check.
    bool m_bRecordingBeforeCheck = false;
};
