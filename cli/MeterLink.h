#pragma once

// What `record` and `download` share: the meter's port opened as the program
// opens it, the reader's blocks queued for the main thread, a headless session
// host, and SIGINT/SIGTERM/SIGHUP turned into a flag.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "bluetooth/BluezService.h"
#include "decode/Clock.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"
#include "record/HeadlessHost.h"
#include "record/MeterSession.h"

// Something the reader thread reported, in the order it happened.
struct LinkEvent {
    enum class Kind { Bytes, LinkLost };
    Kind kind = Kind::Bytes;
    std::vector<std::uint8_t> bytes;
    std::string reason;
};

// Carries the reader thread's blocks and link loss to the main thread.
class CLinkQueue {
  public:
    void PushBytes(const std::uint8_t* bytes, std::size_t count);
    void PushLinkLost(const std::string& reason);
    // The next event, waiting at most `limit`.
    std::optional<LinkEvent> Pop(std::chrono::milliseconds limit);
    // The next event if one is waiting.
    std::optional<LinkEvent> TryPop();

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<LinkEvent> m_events;
};

// The headless host on the meter's port: acknowledgements are written to the
// port (a failed write is kept), the read size is the port's, and download
// progress goes to stderr.
class CCliSessionHost : public CHeadlessSessionHost {
  public:
    explicit CCliSessionHost(CComPort& port) : CHeadlessSessionHost(kMeterReadSize), m_port(port) {}

    void WriteToMeter(const std::uint8_t* bytes, std::size_t count) override;
    int ReadSize() const override { return m_port.ReadSize(); }
    void SetReadSize(int bytes) override { m_port.SetReadSize(bytes); }
    void ShowDownloadProgress(int blockCount) override;
    void SetDownloadProgress(int blocksDone) override;

    // A failed acknowledgement write, if any.
    const std::optional<std::string>& WriteError() const { return m_writeError; }

  private:
    CComPort& m_port;
    int m_nBlockCount = 0;
    std::optional<std::string> m_writeError;
};

// SIGINT, SIGTERM and SIGHUP set a flag instead of ending the program.
void CatchStopSignals();
bool StopSignalled();

// How long a Bluetooth connection may take before `record` or `download`
// gives up on it (the service's own time-out comes first).
inline constexpr std::chrono::seconds kBluetoothConnectWait{40};

// Opens the meter's port as the program does (three attempts). Prints the
// warning and the system's reason on stderr when it fails.
bool OpenMeterLink(const char* command, CComPort& port, const PortChoice& choice,
                   CLinkQueue& queue);

// The meter's port, the reader's queue and a headless session around them,
// as `record` and `download` set them up.
struct CMeterLinkSession {
    // Connects "bt:" ports; made when one is opened. It outlives the port,
    // whose close lets go of the connection through it.
    std::unique_ptr<CBluezService> bluetooth;
    CComPort port;
    CLinkQueue queue;
    CCliSessionHost host{port};
    SystemClock clock;
    CMeterSession session{host, clock};

    // OpenMeterLink on this session's port and queue.
    bool Open(const char* command, const PortChoice& choice);
    // One quiet attempt to open the port again after its link was lost; the
    // port's LastError says why it failed.
    bool Reopen(const PortChoice& choice);
};

// The --port option's value as a port choice; throws UsageError when it is
// neither a port number nor a device.
PortChoice PortOption(const std::string& text);

// A positive number from an option value; nullopt when it is not one.
std::optional<double> ParsePositive(const std::string& text);
