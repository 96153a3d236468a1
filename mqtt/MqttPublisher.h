#pragma once

// Publishes the recorded readings to an MQTT broker through libmosquitto.
// The publisher's network thread is the only one that calls the library: it
// connects, reconnects, hands queued readings over and runs the network loop.
// The caller's thread only pushes a message onto the queue and, when the
// thread sleeps, wakes it (an eventfd), so a broker that is slow, down or
// unreachable never holds up a reading.
//
// The thread is ours rather than mosquitto_loop_start's because that one
// gives up for good when the very first attempt fails at once (nobody listens
// yet), says nothing about why an attempt failed, and would leave the library
// calls of each hand-over on the caller's thread.
//
// Readings wait in a bounded queue of our own while the broker cannot take
// them: the oldest are dropped (and counted) when it is full, and the rest go
// out in order once the broker answers again. At most kInFlight messages are
// in the library's hands at a time, so its own queue stays small too.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/MqttUrl.h"

struct mosquitto;

struct MqttPublisherSettings {
    MqttBroker broker;
    std::string topicPrefix;  // TopicPrefix(broker, meter)
    std::string caFile;       // mqtts://: trusted beside the system's authorities
    std::size_t queueCapacity = 10000;
    int keepAliveSeconds = 30;
};

enum class MqttState { Connecting, Connected, Reconnecting, Refused, Stopped };

struct MqttStatus {
    MqttState state = MqttState::Connecting;
    std::size_t queued = 0;       // readings not yet acknowledged by the broker
    std::uint64_t dropped = 0;    // oldest readings dropped from the full queue
    std::uint64_t delivered = 0;  // readings the broker acknowledged
    std::string reason;           // why it is not connected, when known
};

// The status bar's words: "MQTT: connected", "MQTT: reconnecting (1,204
// queued)", "MQTT: refused (not authorised)".
std::string MqttStatusText(const MqttStatus& status);

// 1204 as "1,204".
std::string WithThousands(std::uint64_t n);

class CMqttPublisher {
  public:
    static constexpr int kInFlight = 100;

    explicit CMqttPublisher(MqttPublisherSettings settings);
    // Stops without waiting for the queue.
    ~CMqttPublisher();
    CMqttPublisher(const CMqttPublisher&) = delete;
    CMqttPublisher& operator=(const CMqttPublisher&) = delete;

    // Starts connecting in the background; the broker's last will is the
    // retained "offline". Fails when the library refuses the settings (a CA
    // file it cannot use).
    ::Status Start();
    // One reading's JSON object, to the reading topic, after those before it.
    void Publish(std::string payload);
    // The meter's link is up (retained "online") or lost ("offline"). Nothing
    // is said about the meter before the first call.
    void SetMeterOnline(bool online);

    MqttStatus Status() const;
    // Waits at most `limit` for the first attempt to connect to end.
    MqttStatus WaitForConnection(std::chrono::milliseconds limit) const;
    // Waits at most `drainLimit` for the queued readings to go out, says
    // "offline" and disconnects. The status returned counts what was left.
    MqttStatus Stop(std::chrono::milliseconds drainLimit);

    const std::string& ReadingTopicName() const { return m_readingTopic; }
    const std::string& StatusTopicName() const { return m_statusTopic; }

  private:
    void RunNetwork();
    // One connection's loop; the library's code for why it ended.
    int RunConnection();
    static void OnConnect(mosquitto* client, void* self, int rc);
    static void OnDisconnect(mosquitto* client, void* self, int rc);
    static void OnPublish(mosquitto* client, void* self, int mid);

    bool TickingNow();  // takes m_mutex

    // With m_mutex held (Pump lets go of it while the library sends and
    // returns how many readings it handed on):
    void Wake();
    std::size_t Pump(std::unique_lock<std::mutex>& lock);
    void PublishStatus();
    MqttStatus StatusLocked() const;

    MqttPublisherSettings m_settings;
    std::string m_readingTopic;
    std::string m_statusTopic;
    mosquitto* m_pClient = nullptr;
    std::thread m_network;
    int m_wake = -1;  // eventfd: something for the network thread to do

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    MqttState m_state = MqttState::Connecting;
    std::string m_reason;
    std::deque<std::string> m_queue;
    int m_nInFlight = 0;            // readings handed to the library, not yet acknowledged
    std::vector<int> m_statusMids;  // status messages in flight
    std::uint64_t m_nDropped = 0;
    std::uint64_t m_nDelivered = 0;
    int m_meterOnline = -1;     // -1 not said yet, 0 offline, 1 online
    bool m_bResending = false;  // the library sends again what the dropped link held
    bool m_bStatusDue = false;  // the meter's state is to be published
    bool m_bWakePending = false;
    bool m_bTicking = false;  // the network thread looks for readings every few ms
};
