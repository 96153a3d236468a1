#pragma once

// What `record` and `download` share: the meter's connection opened as the
// program opens it, a headless host for its documents, what it says on
// stderr, and SIGINT/SIGTERM/SIGHUP turned into a flag.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "bluetooth/BluezService.h"
#include "connection/MeterConnection.h"
#include "decode/Clock.h"
#include "link/MeterPort.h"
#include "record/HeadlessHost.h"

// SIGINT, SIGTERM and SIGHUP set a flag instead of ending the program.
void CatchStopSignals();
bool StopSignalled();

// How long a Bluetooth connection may take before `record` or `download`
// gives up on it (the service's own time-out comes first).
inline constexpr std::chrono::seconds kBluetoothConnectWait{40};

// How often a command-line connection looks whether the meter fell silent.
inline constexpr std::chrono::milliseconds kCliTimeoutCheckPeriod{250};

// The meter's connection as `record` and `download` run it: documents are
// kept by a headless host, a lost link or a silent meter ends the command
// (unless the connection reopens the link or a long log goes on), and what
// happens to the link is said on stderr.
class CCliConnection : private IConnectionObserver {
  public:
    enum class End { None, Silence, LinkLost };

    CCliConnection(const char* command, const PortChoice& port,
                   MeterConnectionOptions options = {});

    // Opens the port (three attempts); says the warning and the system's
    // reason on stderr when it fails.
    bool Open();

    // Hooks around each decoded block (the recording starts before the first
    // one) and the rules on silence; empty ones do nothing.
    std::function<void()> beforeBytes;
    std::function<void()> afterBytes;
    std::function<bool()> keepsThroughSilence;
    std::function<bool()> silenceCounts;

    // Serves the connection until `done` holds, a stop signal came or the
    // connection ended. `done` is asked after every block and at every tick
    // (a few times a second).
    void Run(const std::function<bool()>& done);

    End Ended() const { return m_end; }
    // The system's account of a lost link ("link lost: …").
    const std::string& LossReason() const { return m_strLossReason; }

    CMeterConnection& Connection() { return m_connection; }
    CMeterSession& Session() { return m_connection.Session(); }
    CHeadlessSessionHost& Documents() { return m_documents; }

  private:
    CRoZudozuvDoc* OpenNewDocument() override { return m_documents.OpenNewDocument(); }
    void DownloadAdopted(CRoZudozuvDoc& document) override {
        m_documents.DownloadAdopted(document);
    }
    bool ContinuesWhenFull() const override { return m_documents.ContinuesWhenFull(); }
    void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) override {
        m_documents.RecordingContinued(full, next);
    }
    void ShowDownloadProgress(int blockCount) override;
    void SetDownloadProgress(int blocksDone) override;
    void BytesArriving() override;
    void BytesDecoded() override;
    void StatusChanged(const ConnectionStatus& status) override;
    bool KeepsRecordingThroughSilence() const override;
    bool SilenceCounts() const override;

    void Say(const std::string& text) const;

    const char* m_szCommand;
    PortChoice m_port;
    // Connects "bt:" ports; it outlives the connection, whose close lets go
    // of the Bluetooth connection through it.
    std::unique_ptr<CBluezService> m_pBluetooth;
    SystemClock m_clock;
    CHeadlessSessionHost m_documents{kMeterReadSize};
    CMeterConnection m_connection;
    End m_end = End::None;
    std::string m_strLossReason;
    std::string m_strShownReason;  // the reconnect's failure last said
    std::string m_strSaidSilence;  // the silence last said
    int m_nBlockCount = 0;
};

// The --port option's value as a port choice; throws UsageError when it is
// neither a port number nor a device.
PortChoice PortOption(const std::string& text);

// A positive number from an option value; nullopt when it is not one.
std::optional<double> ParsePositive(const std::string& text);
