#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/Result.h"
#include "connection/LinkInbox.h"
#include "connection/MeterLink.h"
#include "decode/Clock.h"
#include "link/Reconnect.h"
#include "record/DataTimeout.h"
#include "record/LinkHealth.h"
#include "record/MeterSession.h"

// A change of the link that the user is told about.
struct ConnectionStatus {
    enum class Kind {
        LinkLost,      // the link failed and is not reopened; `reason` says why
        Reconnecting,  // the link failed, or an attempt to reopen it failed
        Reconnected,   // the device opened again
        Silent,        // a data time-out check found the meter silent
    };
    Kind kind = Kind::LinkLost;
    // What to show: ReconnectingText, ConnectedText or SilentSinceText.
    std::string text;
    // LinkLost and the first Reconnecting: the system's account of the loss
    // ("link lost: …"); a later Reconnecting: why the attempt failed.
    std::string reason;
    bool linkJustLost = false;        // Reconnecting: the link failed just now
    DataTimeoutResult timeout;        // Silent: the check's outcome
    bool keptThroughSilence = false;  // Silent: the recording goes on (reconnect or long log)
    bool reconnectPending = false;    // Silent: a reconnect is under way
};

// Everything a meter connection tells the program around it: documents the
// session needs, the meter face, download progress and the link's state.
class IConnectionObserver {
  public:
    virtual ~IConnectionObserver() = default;

    // Documents (see ISessionHost).
    virtual CRoZudozuvDoc* OpenNewDocument() = 0;
    virtual void DownloadAdopted(CRoZudozuvDoc& document) { (void)document; }
    virtual bool ContinuesWhenFull() const { return false; }
    virtual void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) {
        (void)full, (void)next;
    }

    // The face: a decoded reading, or a change the link made (opened, lost, silent).
    virtual void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                                bool dialChanged) {
        (void)reading, (void)face, (void)dial, (void)dialChanged;
    }
    virtual void FaceChanged(FaceState face) { (void)face; }

    virtual void ShowDownloadProgress(int blockCount) { (void)blockCount; }
    virtual void SetDownloadProgress(int blocksDone) { (void)blocksDone; }
    virtual void CloseDownloadProgress() {}

    // A block is about to be decoded, and has been.
    virtual void BytesArriving() {}
    virtual void BytesDecoded() {}

    // The meter's link is up (named as a status topic names it) or down.
    virtual void LinkChanged(const std::optional<std::string>& meter) { (void)meter; }
    virtual void StatusChanged(const ConnectionStatus& status) { (void)status; }

    // Whether silence keeps the recording going (a long log), and whether it
    // counts at all now (a download counts it only once the meter started).
    virtual bool KeepsRecordingThroughSilence() const { return false; }
    virtual bool SilenceCounts() const { return true; }
};

struct MeterConnectionOptions {
    std::chrono::milliseconds reconnectPeriod = kReconnectPeriod;
    // How often the data time-out looks at the meter.
    std::chrono::milliseconds timeoutCheckPeriod{5000};
    long silenceSeconds = kSilenceSeconds;
    // The silence counts from each open, not from the last block ever received.
    bool silenceCountsFromOpen = false;
    // A port whose link fails is opened again every reconnect period.
    bool reconnect = true;
};

// One meter: its link (a port or the demo meter), the receive engine and
// session, the data time-out, the reconnect schedule and the link health.
// It is driven by two events on the thread that owns it: bytes arrived
// (Pump, after the inbox woke that thread) and clock tick (Tick, when
// NextTick is reached). It holds no globals: a program may hold several.
class CMeterConnection : private ISessionHost {
  public:
    using Clock = std::chrono::steady_clock;

    // `demo` (optional) feeds the demo meter; the device link reads the ports.
    CMeterConnection(IConnectionObserver& observer, const IClock& clock,
                     std::unique_ptr<IMeterLink> link, MeterConnectionOptions options = {},
                     std::unique_ptr<IMeterLink> demo = nullptr);
    ~CMeterConnection() override;

    // The user opened `port`: the demo meter stops, the port is (re)opened and
    // kept, to be reopened when its link fails. On failure the warning to show.
    Status Open(const std::string& port);
    // The demo meter in place of a port; `name` is what the link health shows.
    void StartDemo(const std::string& name);
    void StopDemo();
    bool DemoRunning() const { return m_pDemo && m_pDemo->IsOpen(); }
    // The user let go of the link (or the program ends): nothing is reopened.
    void Close();
    // Closes the link, which hands over a block its reader still held, and
    // decodes the blocks still waiting for as long as `accept` says so.
    void Drain(const std::function<bool()>& accept);

    // Bytes arrived: delivers what the inbox holds, in order, until `enough`
    // (asked after each block) holds; the rest waits for the next turn.
    void Pump(const std::function<bool()>& enough = {});
    // Received bytes on the owning thread, decoded at once.
    void ReceiveBytes(const std::uint8_t* bytes, std::size_t count);
    // Clock tick: a due reconnect attempt and a due data time-out check.
    void Tick(Clock::time_point now);
    // When the next tick is due.
    Clock::time_point NextTick() const;
    // The data time-out check, now.
    DataTimeoutResult CheckDataTimeout();
    // Waits until bytes arrive, the next tick is due or `until`, whichever
    // comes first (a signal ends the wait too), then pumps and, unless that
    // was `enough`, ticks.
    void Serve(Clock::time_point until, const std::function<bool()>& enough = {});

    CLinkInbox& Inbox() { return m_inbox; }
    CMeterSession& Session() { return m_session; }
    const CMeterSession& Session() const { return m_session; }
    const CLinkHealth& Health() const { return m_health; }
    const CReconnectSchedule& Reconnect() const { return m_reconnect; }
    FaceState Face() const { return m_face; }
    bool IsOpen() const { return m_pLink->IsOpen(); }
    long SilenceSeconds() const { return m_timeout.SilenceSeconds(); }
    // The first write to the meter that failed, if any.
    const std::optional<std::string>& WriteError() const { return m_writeError; }

  private:
    // ISessionHost
    CRoZudozuvDoc* OpenNewDocument() override { return m_observer.OpenNewDocument(); }
    void ReadingDecoded(const MeterReading& reading, FaceNumber face, DialPosition dial,
                        bool dialChanged) override;
    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_pLink->ReadSize(); }
    void SetReadSize(int bytes) override { m_pLink->SetReadSize(bytes); }
    void ShowDownloadProgress(int blockCount) override {
        m_observer.ShowDownloadProgress(blockCount);
    }
    void SetDownloadProgress(int blocksDone) override {
        m_observer.SetDownloadProgress(blocksDone);
    }
    void CloseDownloadProgress() override { m_observer.CloseDownloadProgress(); }
    void DownloadAdopted(CRoZudozuvDoc& document) override { m_observer.DownloadAdopted(document); }
    bool ContinuesWhenFull() const override { return m_observer.ContinuesWhenFull(); }
    void RecordingContinued(CRoZudozuvDoc& full, CRoZudozuvDoc& next) override {
        m_observer.RecordingContinued(full, next);
    }

    // Opens `link` with routines that post to the inbox under a new link number.
    bool OpenLink(IMeterLink& link, const std::string& port, bool reopen, std::string& message);
    // Moves what the inbox holds behind the events still pending.
    void TakeArrived();
    // Closes the device link; whatever it still posts is ignored.
    void CloseLink();
    void OnLinkLost(const std::string& reason);
    void AttemptReconnect(Clock::time_point now);
    void SetFace(FaceState face);
    void LinkOpened();

    IConnectionObserver& m_observer;
    MeterConnectionOptions m_options;
    std::unique_ptr<IMeterLink> m_pLink;
    std::unique_ptr<IMeterLink> m_pDemo;
    CLinkInbox m_inbox;
    std::deque<LinkEvent> m_pending;  // taken from the inbox, not delivered yet
    CMeterSession m_session;
    CDataTimeout m_timeout;
    CReconnectSchedule m_reconnect;
    CLinkHealth m_health;
    FaceState m_face;
    unsigned m_nLink = 0;  // the opening whose events count
    Clock::time_point m_tNextTimeoutCheck;
    std::optional<std::string> m_writeError;
};

// The device a port as typed names: "5" is "/dev/rfcomm5".
std::string DeviceOfPort(const std::string& port);
