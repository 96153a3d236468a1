#include "cli/MeterLink.h"

#include "cli/CliSupport.h"
#include "connection/PortLink.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int) {
    g_stopSignal = 1;
}

MeterConnectionOptions CliOptions(MeterConnectionOptions options) {
    options.timeoutCheckPeriod = kCliTimeoutCheckPeriod;
    return options;
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

// ---------------------------------------------------------------------------
// CCliConnection

CCliConnection::CCliConnection(const char* command, const PortChoice& port,
                               MeterConnectionOptions options)
    : m_szCommand(command),
      m_port(port),
      m_pBluetooth(port.IsBluetooth() ? std::make_unique<CBluezService>() : nullptr),
      m_connection(*this, m_clock,
                   std::make_unique<CPortLink>(m_pBluetooth.get(), kBluetoothConnectWait),
                   CliOptions(options)) {}

bool CCliConnection::Open() {
    if (const Status opened = m_connection.Open(m_port.Device()); !opened) {
        Say(opened.Message());
        return false;
    }
    return true;
}

void CCliConnection::Run(const std::function<bool()>& done) {
    const auto enough = [&] { return done() || m_end != End::None; };
    while (!done() && !StopSignalled() && m_end == End::None) {
        m_connection.Serve(CMeterConnection::Clock::time_point::max(), enough);
    }
}

void CCliConnection::ShowDownloadProgress(int blockCount) {
    m_nBlockCount = blockCount;
    std::fprintf(stderr, "vavirir-cli download: %d blocks announced\n", blockCount);
}

void CCliConnection::SetDownloadProgress(int blocksDone) {
    std::fprintf(stderr, "vavirir-cli download: block %d of %d\n", blocksDone, m_nBlockCount);
}

void CCliConnection::BytesArriving() {
    if (beforeBytes) {
        beforeBytes();
    }
}

void CCliConnection::BytesDecoded() {
    if (afterBytes) {
        afterBytes();
    }
}

bool CCliConnection::KeepsRecordingThroughSilence() const {
    return keepsThroughSilence && keepsThroughSilence();
}

bool CCliConnection::SilenceCounts() const {
    return !silenceCounts || silenceCounts();
}

void CCliConnection::StatusChanged(const ConnectionStatus& status) {
    switch (status.kind) {
        case ConnectionStatus::Kind::LinkLost:
            m_end = End::LinkLost;
            m_strLossReason = status.reason;
            break;
        case ConnectionStatus::Kind::Reconnecting:
            if (status.linkJustLost) {
                Say(status.reason);
                Say(status.text);
                m_strShownReason.clear();
            } else if (status.reason != m_strShownReason) {
                // A new reason is said once, not every period.
                Say(status.text);
                m_strShownReason = status.reason;
            }
            break;
        case ConnectionStatus::Kind::Reconnected:
            Say(status.text);
            break;
        case ConnectionStatus::Kind::Silent:
            if (!status.keptThroughSilence) {
                m_end = End::Silence;
            } else if (!status.reconnectPending && status.text != m_strSaidSilence) {
                // A long log outlasts a meter that switched itself off: said once per silence.
                Say(status.text);
                m_strSaidSilence = status.text;
            }
            break;
    }
}

void CCliConnection::Say(const std::string& text) const {
    std::fprintf(stderr, "vavirir-cli %s: %s\n", m_szCommand, text.c_str());
}

// ---------------------------------------------------------------------------

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
