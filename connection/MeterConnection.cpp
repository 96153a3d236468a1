#include "connection/MeterConnection.h"

#include <poll.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "link/MeterPort.h"
#include "record/LongLogText.h"

std::string DeviceOfPort(const std::string& port) {
    const std::optional<PortChoice> choice = ParsePortChoice(port);
    return choice ? choice->Device() : port;
}

CMeterConnection::CMeterConnection(IConnectionObserver& observer, const IClock& clock,
                                   std::unique_ptr<IMeterLink> link, MeterConnectionOptions options,
                                   std::unique_ptr<IMeterLink> demo)
    : m_observer(observer),
      m_options(options),
      m_pLink(std::move(link)),
      m_pDemo(std::move(demo)),
      m_session(*this, clock),
      m_timeout(m_session, options.silenceSeconds),
      m_reconnect(options.reconnectPeriod),
      m_tNextTimeoutCheck(Clock::now() + options.timeoutCheckPeriod) {}

CMeterConnection::~CMeterConnection() {
    // The readers post to the inbox: they end before it goes.
    if (m_pDemo) {
        m_pDemo->Close();
    }
    m_pLink->Close();
}

Status CMeterConnection::Open(const std::string& port) {
    StopDemo();
    m_reconnect.Forget();
    std::string warning;
    if (!OpenLink(*m_pLink, port, false, warning)) {
        m_health.PortClosed();
        m_observer.LinkChanged(std::nullopt);
        return Error{warning};
    }
    if (m_options.reconnect) {
        m_reconnect.Keep(port);
    }
    const std::string name = PortShortName(DeviceOfPort(port));
    m_health.PortOpened(name, CountersOf(m_session.Engine()), Clock::now());
    m_observer.LinkChanged(name);
    LinkOpened();
    // A fresh link gets a full period before its first time-out check.
    m_tNextTimeoutCheck = Clock::now() + m_options.timeoutCheckPeriod;
    if (m_options.silenceCountsFromOpen) {
        m_timeout.CountFromNow();
    }
    return {};
}

void CMeterConnection::LinkOpened() {
    m_pLink->SetReadSize(kMeterReadSize);
    SetFace({FaceNumber::PortOpened, m_face.dial});
}

void CMeterConnection::StartDemo(const std::string& name) {
    if (!m_pDemo) {
        return;
    }
    m_reconnect.Forget();
    CloseLink();
    SetFace({FaceNumber::PortOpened, m_face.dial});
    m_health.PortOpened(name, CountersOf(m_session.Engine()), Clock::now());
    m_observer.LinkChanged("demo");
    std::string ignored;
    OpenLink(*m_pDemo, {}, false, ignored);
}

void CMeterConnection::StopDemo() {
    if (!DemoRunning()) {
        return;
    }
    m_health.PortClosed();
    m_observer.LinkChanged(std::nullopt);
    m_pDemo->Close();
}

void CMeterConnection::Close() {
    StopDemo();
    m_reconnect.Forget();
    CloseLink();
}

void CMeterConnection::Drain(const std::function<bool()>& accept) {
    m_reconnect.Forget();
    m_pLink->Close();
    TakeArrived();
    for (; !m_pending.empty(); m_pending.pop_front()) {
        const LinkEvent& event = m_pending.front();
        if (event.link == m_nLink && event.kind == LinkEvent::Kind::Bytes && accept()) {
            ReceiveBytes(event.bytes.data(), event.bytes.size());
        }
    }
    ++m_nLink;
}

bool CMeterConnection::OpenLink(IMeterLink& link, const std::string& port, bool reopen,
                                std::string& message) {
    // Blocks from an earlier link may still wait in the inbox: only the
    // current link's blocks count.
    const unsigned number = ++m_nLink;
    auto onReceive = [this, number](const std::uint8_t* bytes, std::size_t count) {
        m_inbox.PushBytes(number, bytes, count);
    };
    auto onLost = [this, number](const std::string& reason) { m_inbox.PushLost(number, reason); };
    return reopen ? link.Reopen(port, onReceive, onLost, message)
                  : link.Open(port, onReceive, onLost, message);
}

void CMeterConnection::CloseLink() {
    ++m_nLink;
    m_pLink->Close();
}

void CMeterConnection::TakeArrived() {
    std::deque<LinkEvent> arrived = m_inbox.TakeAll();
    std::move(arrived.begin(), arrived.end(), std::back_inserter(m_pending));
}

void CMeterConnection::Pump(const std::function<bool()>& enough) {
    TakeArrived();
    while (!m_pending.empty()) {
        const LinkEvent event = std::move(m_pending.front());
        m_pending.pop_front();
        // A loss or a close earlier in this batch ends the link's turn.
        if (event.link != m_nLink) {
            continue;
        }
        if (event.kind == LinkEvent::Kind::Bytes) {
            ReceiveBytes(event.bytes.data(), event.bytes.size());
        } else {
            OnLinkLost(event.reason);
        }
        if (enough && enough()) {
            return;
        }
    }
}

void CMeterConnection::ReceiveBytes(const std::uint8_t* bytes, std::size_t count) {
    m_observer.BytesArriving();
    m_session.OnReceiveBytes(bytes, count);
    m_health.Observe(CountersOf(m_session.Engine()), Clock::now());
    m_observer.BytesDecoded();
}

void CMeterConnection::OnLinkLost(const std::string& reason) {
    CloseLink();
    m_observer.LinkChanged(std::nullopt);
    ConnectionStatus status;
    status.reason = reason;
    if (!m_reconnect.LinkLost(Clock::now())) {
        m_health.PortClosed();
        status.kind = ConnectionStatus::Kind::LinkLost;
        status.text = reason;
        m_observer.StatusChanged(status);
        return;
    }
    // The recording, if one runs, waits for the device in its document.
    SetFace({FaceNumber::Disconnected, DialPosition::Off});
    status.kind = ConnectionStatus::Kind::Reconnecting;
    status.text = ReconnectingText(DeviceOfPort(m_reconnect.Device().value_or("")));
    status.linkJustLost = true;
    m_observer.StatusChanged(status);
}

void CMeterConnection::AttemptReconnect(Clock::time_point now) {
    const std::string port = m_reconnect.Device().value_or("");
    const std::string device = DeviceOfPort(port);
    std::string reason;
    if (!OpenLink(*m_pLink, port, true, reason)) {
        m_reconnect.AttemptFailed(now, reason);
        ConnectionStatus status;
        status.kind = ConnectionStatus::Kind::Reconnecting;
        status.reason = m_reconnect.Reason();
        status.text = ReconnectingText(device, status.reason);
        m_observer.StatusChanged(status);
        return;
    }
    m_reconnect.AttemptSucceeded();
    LinkOpened();
    // Silence counts from the reopen, not from the last block before the gap.
    m_timeout.CountFromNow();
    m_observer.LinkChanged(PortShortName(device));
    ConnectionStatus status;
    status.kind = ConnectionStatus::Kind::Reconnected;
    status.text = ConnectedText(device);
    m_observer.StatusChanged(status);
}

void CMeterConnection::Tick(Clock::time_point now) {
    if (m_reconnect.Due(now)) {
        AttemptReconnect(now);
    }
    if (now >= m_tNextTimeoutCheck) {
        m_tNextTimeoutCheck = now + m_options.timeoutCheckPeriod;
        CheckDataTimeout();
    }
}

CMeterConnection::Clock::time_point CMeterConnection::NextTick() const {
    return m_reconnect.Pending() ? std::min(m_reconnect.NextAttempt(), m_tNextTimeoutCheck)
                                 : m_tNextTimeoutCheck;
}

DataTimeoutResult CMeterConnection::CheckDataTimeout() {
    if (!m_observer.SilenceCounts()) {
        return {};
    }
    const bool reconnecting = m_reconnect.Pending();
    const bool keep = reconnecting || m_observer.KeepsRecordingThroughSilence();
    const DataTimeoutResult result = m_timeout.Tick(m_face, keep);
    if (!result.silent) {
        return result;
    }
    if (result.faceChanged) {
        SetFace(result.face);
    }
    ConnectionStatus status;
    status.kind = ConnectionStatus::Kind::Silent;
    status.text = SilentSinceText(m_session.Engine().LastReceiveTime());
    status.timeout = result;
    status.keptThroughSilence = keep;
    status.reconnectPending = reconnecting;
    m_observer.StatusChanged(status);
    m_observer.CloseDownloadProgress();
    return result;
}

void CMeterConnection::Serve(Clock::time_point until, const std::function<bool()>& enough) {
    const auto now = Clock::now();
    const auto deadline = std::min(until, NextTick());
    int waitMs = 0;
    if (deadline > now && m_pending.empty()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
        waitMs = static_cast<int>(std::min<decltype(wait)>(wait, INT_MAX));
    }
    pollfd wake{m_inbox.WakeFd(), POLLIN, 0};
    // A signal ends the wait early (EINTR): the caller looks at its flags.
    poll(&wake, 1, waitMs);
    Pump(enough);
    if (enough && enough()) {
        return;
    }
    Tick(Clock::now());
}

void CMeterConnection::ReadingDecoded(const MeterReading& reading, FaceNumber face,
                                      DialPosition dial, bool dialChanged) {
    m_face = {face, dial};
    m_observer.ReadingDecoded(reading, face, dial, dialChanged);
}

void CMeterConnection::WriteToMeter(const std::uint8_t* bytes, std::size_t count) {
    const int written = m_pLink->Write(bytes, count);
    if (written != static_cast<int>(count) && !m_writeError) {
        m_writeError = m_pLink->WriteFailure().value_or("write to the meter failed");
    }
}

void CMeterConnection::SetFace(FaceState face) {
    m_face = face;
    m_observer.FaceChanged(face);
}
