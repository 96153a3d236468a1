#include "mqtt/MqttPublisher.h"

#include <mosquitto.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr const char* kSystemAuthorities = "/etc/ssl/certs";
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

// The library's words for a failed call; MOSQ_ERR_ERRNO means the system's.
std::string ErrorText(int rc) {
    return rc == MOSQ_ERR_ERRNO ? std::string(std::strerror(errno)) : mosquitto_strerror(rc);
}

// Why the broker refused the connection, in words a user can act on.
std::string RefusalText(int rc) {
    switch (rc) {
        case 4:
            return "bad user name or password";
        case 5:
            return "not authorised (check the user name and password)";
        default: {
            std::string text = mosquitto_connack_string(rc);
            if (!text.empty() && text.back() == '.') {
                text.pop_back();
            }
            return text;
        }
    }
}

int Length(const std::string& text) {
    return static_cast<int>(text.size());
}

}  // namespace

std::string WithThousands(std::uint64_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), 1, ',');
    }
    return digits;
}

std::string MqttStatusText(const MqttStatus& status) {
    std::string counts = WithThousands(status.queued) + " queued";
    if (status.dropped > 0) {
        counts += ", " + WithThousands(status.dropped) + " dropped";
    }
    switch (status.state) {
        case MqttState::Connected:
            return status.dropped > 0
                       ? "MQTT: connected (" + WithThousands(status.dropped) + " dropped)"
                       : std::string("MQTT: connected");
        case MqttState::Connecting:
            return status.queued > 0 ? "MQTT: connecting (" + counts + ")"
                                     : std::string("MQTT: connecting");
        case MqttState::Reconnecting:
            return "MQTT: reconnecting (" + counts + ")";
        case MqttState::Refused:
            return "MQTT: refused (" + status.reason + ")";
        case MqttState::Stopped:
            return "MQTT: off";
    }
    return {};
}

CMqttPublisher::CMqttPublisher(MqttPublisherSettings settings)
    : m_settings(std::move(settings)),
      m_readingTopic(ReadingTopic(m_settings.topicPrefix)),
      m_statusTopic(StatusTopic(m_settings.topicPrefix)) {}

CMqttPublisher::~CMqttPublisher() {
    Stop(std::chrono::milliseconds(0));
}

::Status CMqttPublisher::Start() {
    mosquitto_lib_init();
    // A clean session with an id of the library's making: readings in flight
    // when the link drops are sent again by the library on reconnect.
    m_pClient = mosquitto_new(nullptr, true, this);
    if (m_pClient == nullptr) {
        return Error{"cannot make an MQTT client: " + ErrorText(MOSQ_ERR_ERRNO)};
    }
    mosquitto_int_option(m_pClient, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m_pClient, kInFlight);
    mosquitto_connect_callback_set(m_pClient, &CMqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(m_pClient, &CMqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(m_pClient, &CMqttPublisher::OnPublish);
    mosquitto_will_set(m_pClient, m_statusTopic.c_str(), Length(kOffline), kOffline, 1, true);
    const MqttBroker& broker = m_settings.broker;
    if (!broker.user.empty()) {
        mosquitto_username_pw_set(m_pClient, broker.user.c_str(),
                                  broker.password ? broker.password->c_str() : nullptr);
    }
    if (broker.tls) {
        const int rc = mosquitto_tls_set(
            m_pClient, m_settings.caFile.empty() ? nullptr : m_settings.caFile.c_str(),
            kSystemAuthorities, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            return Error{
                "cannot use the certificates (" +
                (m_settings.caFile.empty() ? std::string(kSystemAuthorities) : m_settings.caFile) +
                "): " + ErrorText(rc)};
        }
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wake < 0) {
        return Error{"cannot start the MQTT network thread: " + ErrorText(MOSQ_ERR_ERRNO)};
    }
    m_network = std::thread([this] { RunNetwork(); });
    return {};
}

bool CMqttPublisher::TickingNow() {
    const std::lock_guard lock(m_mutex);
    return m_bTicking;
}

void CMqttPublisher::Wake() {
    if (!m_bWakePending) {
        m_bWakePending = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake, &one, sizeof one);
    }
}

int CMqttPublisher::RunConnection() {
    constexpr int kLoopWaitMs = 1000;
    // While readings keep coming (one handed on within the last second) the
    // thread looks for them every few milliseconds, so the recording thread
    // need not wake it for each one: waking another thread costs more than
    // the reading's whole hand-over.
    constexpr int kTickMs = 5;
    constexpr auto kTickingFor = std::chrono::seconds(1);
    auto lastHanded = std::chrono::steady_clock::time_point{};
    for (;;) {
        const int socket = mosquitto_socket(m_pClient);
        if (socket < 0) {
            return MOSQ_ERR_NO_CONN;
        }
        pollfd fds[2] = {
            {socket, static_cast<short>(POLLIN | (mosquitto_want_write(m_pClient) ? POLLOUT : 0)),
             0},
            {m_wake, POLLIN, 0}};
        const int waitMs = TickingNow() ? kTickMs : kLoopWaitMs;
        if (::poll(fds, 2, waitMs) < 0 && errno != EINTR) {
            return MOSQ_ERR_ERRNO;
        }
        bool stopping = false;
        {
            std::unique_lock lock(m_mutex);
            std::uint64_t wakes = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_wake, &wakes, sizeof wakes);
            m_bWakePending = false;
            stopping = m_state == MqttState::Stopped;
            if (!stopping && m_bStatusDue && m_state == MqttState::Connected) {
                PublishStatus();
            }
            if (!stopping) {
                const auto now = std::chrono::steady_clock::now();
                if (Pump(lock) > 0) {
                    lastHanded = now;
                }
                m_bTicking = now - lastHanded < kTickingFor;
            }
        }
        if (stopping) {
            // A clean goodbye: the broker keeps the last will to itself. (The
            // library tells OnDisconnect at once, so no lock is held here.)
            mosquitto_disconnect(m_pClient);
            mosquitto_loop_write(m_pClient, 1);
            return MOSQ_ERR_SUCCESS;
        }
        int rc = MOSQ_ERR_SUCCESS;
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            rc = mosquitto_loop_read(m_pClient, 1);
        }
        if (rc == MOSQ_ERR_SUCCESS && mosquitto_want_write(m_pClient)) {
            rc = mosquitto_loop_write(m_pClient, 1);
        }
        if (rc == MOSQ_ERR_SUCCESS) {
            rc = mosquitto_loop_misc(m_pClient);
        }
        if (rc != MOSQ_ERR_SUCCESS) {
            return rc;
        }
    }
}

void CMqttPublisher::RunNetwork() {
    using namespace std::chrono;
    constexpr seconds kFirstDelay{1};
    constexpr seconds kLongestDelay{10};
    const MqttBroker& broker = m_settings.broker;
    bool first = true;
    seconds delay = kFirstDelay;
    for (;;) {
        // The attempt does not wait for the broker: the loop below sees it through.
        int rc = first ? mosquitto_connect_async(m_pClient, broker.host.c_str(), broker.port,
                                                 m_settings.keepAliveSeconds)
                       : mosquitto_reconnect_async(m_pClient);
        first = false;
        if (rc == MOSQ_ERR_SUCCESS) {
            rc = RunConnection();
        }
        std::string reason = rc == MOSQ_ERR_TLS
                                 ? "TLS handshake failed: is the broker's certificate signed by "
                                   "a trusted authority?"
                                 : ErrorText(rc);
        if (!reason.empty() && reason.back() == '.') {
            reason.pop_back();
        }
        std::unique_lock lock(m_mutex);
        m_bResending = m_nInFlight > 0;
        if (m_state == MqttState::Stopped || m_state == MqttState::Refused) {
            return;
        }
        if (m_state == MqttState::Connected) {
            delay = kFirstDelay;
        }
        m_state = MqttState::Reconnecting;
        m_reason = reason;
        m_changed.notify_all();
        m_changed.wait_for(lock, delay, [this] { return m_state == MqttState::Stopped; });
        if (m_state == MqttState::Stopped) {
            return;
        }
        delay = std::min(delay * 2, kLongestDelay);
    }
}

void CMqttPublisher::Publish(std::string payload) {
    const std::lock_guard lock(m_mutex);
    if (m_state == MqttState::Stopped || m_state == MqttState::Refused) {
        return;
    }
    const std::size_t capacity = std::max<std::size_t>(m_settings.queueCapacity, 1);
    while (!m_queue.empty() && m_queue.size() + static_cast<std::size_t>(m_nInFlight) >= capacity) {
        m_queue.pop_front();
        ++m_nDropped;
    }
    m_queue.push_back(std::move(payload));
    if (m_state == MqttState::Connected && !m_bTicking) {
        Wake();
    }
}

void CMqttPublisher::SetMeterOnline(bool online) {
    const std::lock_guard lock(m_mutex);
    if (m_meterOnline == static_cast<int>(online)) {
        return;
    }
    m_meterOnline = online ? 1 : 0;
    m_bStatusDue = true;
    if (m_state == MqttState::Connected) {
        Wake();
    }
}

std::size_t CMqttPublisher::Pump(std::unique_lock<std::mutex>& lock) {
    if (m_bResending) {
        // The library sends the readings it held when the link dropped again
        // first; the queue follows once they are acknowledged, so the order holds.
        if (m_nInFlight > 0) {
            return 0;
        }
        m_bResending = false;
    }
    std::size_t handed = 0;
    while (m_state == MqttState::Connected && m_nInFlight < kInFlight && !m_queue.empty()) {
        // The library writes to the socket: the recording thread must not
        // wait for that, so the queue is free meanwhile. The reading counts
        // as in flight, so the queue's bound still holds.
        std::string payload = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_nInFlight;
        lock.unlock();
        const int rc = mosquitto_publish(m_pClient, nullptr, m_readingTopic.c_str(),
                                         Length(payload), payload.data(), 1, false);
        lock.lock();
        if (rc != MOSQ_ERR_SUCCESS) {
            // Not taken (the link just went): it is first in the queue again.
            --m_nInFlight;
            m_queue.push_front(std::move(payload));
            return handed;
        }
        ++handed;
    }
    return handed;
}

void CMqttPublisher::PublishStatus() {
    m_bStatusDue = false;
    if (m_meterOnline < 0) {
        return;
    }
    const char* text = m_meterOnline == 1 ? kOnline : kOffline;
    int mid = 0;
    if (mosquitto_publish(m_pClient, &mid, m_statusTopic.c_str(), Length(text), text, 1, true) ==
        MOSQ_ERR_SUCCESS) {
        m_statusMids.push_back(mid);
    }
}

void CMqttPublisher::OnConnect(mosquitto* client, void* self, int rc) {
    auto& publisher = *static_cast<CMqttPublisher*>(self);
    {
        const std::lock_guard lock(publisher.m_mutex);
        if (publisher.m_state == MqttState::Stopped) {
            return;
        }
        if (rc == 0) {
            publisher.m_state = MqttState::Connected;
            publisher.m_reason.clear();
            publisher.PublishStatus();
            publisher.Wake();  // the network loop hands on what waits
        } else {
            // A refusal (a wrong password, an unknown user) does not mend
            // itself by trying again.
            publisher.m_state = MqttState::Refused;
            publisher.m_reason = RefusalText(rc);
        }
    }
    publisher.m_changed.notify_all();
    if (rc != 0) {
        mosquitto_disconnect(client);
    }
}

void CMqttPublisher::OnDisconnect(mosquitto* /*client*/, void* self, int rc) {
    auto& publisher = *static_cast<CMqttPublisher*>(self);
    {
        const std::lock_guard lock(publisher.m_mutex);
        if (publisher.m_state == MqttState::Connected ||
            publisher.m_state == MqttState::Connecting) {
            publisher.m_state = MqttState::Reconnecting;
            publisher.m_reason = rc == 0 ? std::string() : ErrorText(rc);
        }
    }
    publisher.m_changed.notify_all();
}

void CMqttPublisher::OnPublish(mosquitto* /*client*/, void* self, int mid) {
    auto& publisher = *static_cast<CMqttPublisher*>(self);
    {
        const std::lock_guard lock(publisher.m_mutex);
        auto& statusMids = publisher.m_statusMids;
        if (const auto found = std::find(statusMids.begin(), statusMids.end(), mid);
            found != statusMids.end()) {
            statusMids.erase(found);
        } else if (publisher.m_nInFlight > 0) {
            --publisher.m_nInFlight;
            ++publisher.m_nDelivered;
        }
        publisher.Wake();  // room in flight: the network loop hands on more
    }
    publisher.m_changed.notify_all();
}

MqttStatus CMqttPublisher::StatusLocked() const {
    MqttStatus status;
    status.state = m_state;
    status.queued = m_queue.size() + static_cast<std::size_t>(m_nInFlight);
    status.dropped = m_nDropped;
    status.delivered = m_nDelivered;
    status.reason = m_reason;
    return status;
}

MqttStatus CMqttPublisher::Status() const {
    const std::lock_guard lock(m_mutex);
    return StatusLocked();
}

MqttStatus CMqttPublisher::WaitForConnection(std::chrono::milliseconds limit) const {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, limit, [this] { return m_state != MqttState::Connecting; });
    return StatusLocked();
}

MqttStatus CMqttPublisher::Stop(std::chrono::milliseconds drainLimit) {
    if (m_pClient == nullptr) {
        const std::lock_guard lock(m_mutex);
        m_state = MqttState::Stopped;
        return StatusLocked();
    }
    MqttStatus left;
    {
        std::unique_lock lock(m_mutex);
        const auto deadline = std::chrono::steady_clock::now() + drainLimit;
        m_changed.wait_until(lock, deadline, [this] {
            return m_state == MqttState::Refused || (m_queue.empty() && m_nInFlight == 0);
        });
        if (m_state == MqttState::Connected) {
            // A clean disconnect does not fire the last will: say it here.
            m_meterOnline = 0;
            m_bStatusDue = true;
            Wake();
            m_changed.wait_for(lock, std::chrono::seconds(1), [this] {
                return (!m_bStatusDue && m_statusMids.empty()) || m_state != MqttState::Connected;
            });
        }
        left = StatusLocked();
        m_state = MqttState::Stopped;
        left.state = m_state;
        Wake();
    }
    m_changed.notify_all();
    if (m_network.joinable()) {
        m_network.join();
    }
    mosquitto_destroy(m_pClient);
    m_pClient = nullptr;
    if (m_wake >= 0) {
        ::close(m_wake);
        m_wake = -1;
    }
    return left;
}
