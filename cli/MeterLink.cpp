#include "cli/MeterLink.h"

#include "cli/CliSupport.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

// ---------------------------------------------------------------------------
// CLinkQueue

void CLinkQueue::PushBytes(const std::uint8_t* bytes, std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back({LinkEvent::Kind::Bytes, {bytes, bytes + count}, {}});
    }
    m_changed.notify_one();
}

void CLinkQueue::PushLinkLost(const std::string& reason) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back({LinkEvent::Kind::LinkLost, {}, reason});
    }
    m_changed.notify_one();
}

std::optional<LinkEvent> CLinkQueue::Pop(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_mutex);
    if (!m_changed.wait_for(lock, limit, [this] { return !m_events.empty(); })) {
        return std::nullopt;
    }
    LinkEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

std::optional<LinkEvent> CLinkQueue::TryPop() {
    return Pop(std::chrono::milliseconds(0));
}

// ---------------------------------------------------------------------------
// CCliSessionHost

void CCliSessionHost::WriteToMeter(const std::uint8_t* bytes, std::size_t count) {
    const int written = m_port.Write(bytes, count);
    if (written != static_cast<int>(count) && !m_writeError) {
        const auto error = m_port.LastError();
        m_writeError = error ? error->what() : std::string("write to the meter failed");
    }
}

void CCliSessionHost::ShowDownloadProgress(int blockCount) {
    m_nBlockCount = blockCount;
    std::fprintf(stderr, "vavirir-cli download: %d blocks announced\n", blockCount);
}

void CCliSessionHost::SetDownloadProgress(int blocksDone) {
    std::fprintf(stderr, "vavirir-cli download: block %d of %d\n", blocksDone, m_nBlockCount);
}

// ---------------------------------------------------------------------------

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) {
    g_stopSignal = 1;
}

}  // namespace

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);  // a closed terminal ends the session, saving it
}

bool StopSignalled() {
    return g_stopSignal != 0;
}

namespace {

MeterPortResult OpenQueued(CComPort& port, const PortChoice& choice, CLinkQueue& queue,
                           int attempts) {
    return OpenMeterPort(
        port, choice,
        [&queue](const std::uint8_t* bytes, std::size_t count) { queue.PushBytes(bytes, count); },
        [&queue](const std::string& reason) { queue.PushLinkLost(reason); }, attempts);
}

}  // namespace

bool CMeterLinkSession::Open(const char* command, const PortChoice& choice) {
    if (choice.IsBluetooth() && !bluetooth) {
        bluetooth = std::make_unique<CBluezService>();
        port.SetSocketConnector(bluetooth.get(), kBluetoothConnectWait);
    }
    return OpenMeterLink(command, port, choice, queue);
}

bool CMeterLinkSession::Reopen(const PortChoice& choice) {
    return OpenQueued(port, choice, queue, 1).opened;
}

bool OpenMeterLink(const char* command, CComPort& port, const PortChoice& choice,
                   CLinkQueue& queue) {
    const MeterPortResult result = OpenQueued(port, choice, queue, kOpenAttempts);
    if (result.opened) {
        return true;
    }
    std::fprintf(stderr, "vavirir-cli %s: %s\n", command, result.Message().c_str());
    return false;
}

std::optional<double> ParsePositive(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value > 0) || value > 1e9) {
        return std::nullopt;
    }
    return value;
}

PortChoice PortOption(const std::string& text) {
    const std::optional<PortChoice> choice = ParsePortChoice(text);
    if (!choice) {
        throw UsageError("--port needs a port number or a device, not \"" + text + "\"");
    }
    return *choice;
}
