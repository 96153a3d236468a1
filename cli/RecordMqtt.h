#pragma once

// `record --mqtt`: each recorded reading also goes to an MQTT broker as its
// JSON object, and the meter's link state to the retained status topic.
// Publishing never ends or holds up the recording: an unreachable broker is a
// warning, and readings wait in the publisher's bounded queue.

#include <memory>
#include <optional>
#include <string>

#include "docview/ReadingJson.h"
#include "mqtt/MqttPublisher.h"
#include "record/Document.h"

// The --mqtt options as given.
struct MqttOptions {
    std::string url;
    std::string caFile;
    std::string passwordFile;
};

// The broker the options name; throws UsageError when the URL or the options
// around it are wrong, std::runtime_error when the password file cannot be read.
MqttBroker BrokerOfOptions(const MqttOptions& options);

class CRecordPublisher {
  public:
    // How long the start waits for the broker's answer before it records anyway.
    static constexpr std::chrono::seconds kStartWait{3};

    CRecordPublisher(const MqttBroker& broker, const std::string& caFile,
                     const std::string& meterDevice);

    // Starts connecting and waits a moment for the broker. False (said on
    // stderr) when the client cannot start or the broker refused the connection;
    // unreachable is a warning.
    bool Start();
    // Hands the next recorded reading to the publisher; its seq follows the
    // readings before, whichever document they came from.
    void Publish(const CObData& reading, LimitSide side);
    // The meter's link is up or lost.
    void MeterLink(bool up) { m_publisher.SetMeterOnline(up); }
    // Says a change of the broker's state on stderr; call it a few times a second.
    void Tick();
    // Lets the queue drain for a while, says "offline" and disconnects; says
    // what could not be published. False when the broker refused the readings.
    bool Finish();

  private:
    void Say(const MqttStatus& status);

    MqttBroker m_broker;
    CMqttPublisher m_publisher;
    std::size_t m_nHanded = 0;
    std::optional<MqttState> m_shownState;
    bool m_bRefused = false;
};
