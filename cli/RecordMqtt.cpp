#include "cli/RecordMqtt.h"

#include <cstdio>
#include <stdexcept>

#include "cli/CliSupport.h"
#include "mqtt/PasswordFile.h"
#include "record/LinkHealth.h"

namespace {

using namespace std::chrono_literals;

MqttPublisherSettings SettingsFor(const MqttBroker& broker, const std::string& caFile,
                                  const std::string& meterDevice) {
    MqttPublisherSettings settings;
    settings.broker = broker;
    settings.caFile = caFile;
    settings.topicPrefix = TopicPrefix(broker, PortShortName(meterDevice));
    return settings;
}

}  // namespace

MqttBroker BrokerOfOptions(const MqttOptions& options) {
    if (options.url.empty()) {
        throw UsageError(!options.caFile.empty() ? "--mqtt-cafile needs --mqtt"
                                                 : "--mqtt-password-file needs --mqtt");
    }
    Result<MqttBroker> parsed = ParseMqttUrl(options.url);
    if (!parsed) {
        throw UsageError("--mqtt: " + parsed.Message());
    }
    MqttBroker broker = std::move(parsed).Value();
    if (!options.caFile.empty() && !broker.tls) {
        throw UsageError("--mqtt-cafile needs an mqtts:// URL");
    }
    if (!options.passwordFile.empty()) {
        if (broker.user.empty()) {
            throw UsageError("--mqtt-password-file needs a user in the URL (mqtt://USER@HOST)");
        }
        if (broker.password) {
            throw UsageError("give the password in the URL or in --mqtt-password-file, not both");
        }
        Result<std::string> password = ReadPasswordFile(options.passwordFile);
        if (!password) {
            throw std::runtime_error(password.Message());  // said by RunCommand, exit 1
        }
        broker.password = std::move(password).Value();
        if (PasswordFileIsShared(options.passwordFile)) {
            std::fprintf(stderr,
                         "vavirir-cli record: warning: others may read %s; chmod 600 it to keep "
                         "the password "
                         "to yourself\n",
                         options.passwordFile.c_str());
        }
    }
    return broker;
}

CRecordPublisher::CRecordPublisher(const MqttBroker& broker, const std::string& caFile,
                                   const std::string& meterDevice)
    : m_broker(broker), m_publisher(SettingsFor(broker, caFile, meterDevice)) {}

bool CRecordPublisher::Start() {
    if (const ::Status started = m_publisher.Start(); !started) {
        ::Say("record", "%s", started.Message().c_str());
        return false;
    }
    const MqttStatus status = m_publisher.WaitForConnection(kStartWait);
    if (status.state == MqttState::Refused) {
        std::fprintf(stderr, "vavirir-cli record: the MQTT broker %s refused the connection: %s\n",
                     BrokerText(m_broker).c_str(), status.reason.c_str());
        return false;
    }
    Say(status);
    return true;
}

void CRecordPublisher::Publish(const CObData& reading, LimitSide side) {
    m_publisher.Publish(ReadingJson(++m_nHanded, reading, side));
}

void CRecordPublisher::Tick() {
    Say(m_publisher.Status());
}

void CRecordPublisher::Say(const MqttStatus& status) {
    if (m_shownState == status.state) {
        return;
    }
    const bool starting = !m_shownState.has_value();
    m_shownState = status.state;
    const std::string broker = BrokerText(m_broker);
    const std::string because = status.reason.empty() ? "" : " (" + status.reason + ")";
    switch (status.state) {
        case MqttState::Connected:
            std::fprintf(stderr, "vavirir-cli record: MQTT: connected to %s, publishing to %s\n",
                         broker.c_str(), m_publisher.ReadingTopicName().c_str());
            break;
        case MqttState::Connecting:
        case MqttState::Reconnecting:
            std::fprintf(stderr,
                         "vavirir-cli record: %sMQTT: %s %s%s; readings wait in a queue (at most "
                         "%s) until it "
                         "answers\n",
                         starting ? "warning: " : "", broker.c_str(),
                         starting ? "cannot be reached" : "lost", because.c_str(),
                         WithThousands(MqttPublisherSettings().queueCapacity).c_str());
            break;
        case MqttState::Refused:
            m_bRefused = true;
            std::fprintf(
                stderr,
                "vavirir-cli record: MQTT: %s refused the connection: %s; readings are no longer "
                "published\n",
                broker.c_str(), status.reason.c_str());
            break;
        case MqttState::Stopped:
            break;
    }
}

bool CRecordPublisher::Finish() {
    Tick();
    // Readings still queued get a while to go out while the broker answers,
    // a short one while it does not.
    const bool connected = m_publisher.Status().state == MqttState::Connected;
    const MqttStatus left = m_publisher.Stop(connected ? 10s : 2s);
    if (left.queued > 0 || left.dropped > 0) {
        std::fprintf(stderr,
                     "vavirir-cli record: MQTT: %s readings published, %s not published, %s "
                     "dropped while the "
                     "queue was full\n",
                     WithThousands(left.delivered).c_str(), WithThousands(left.queued).c_str(),
                     WithThousands(left.dropped).c_str());
    } else {
        std::fprintf(stderr, "vavirir-cli record: MQTT: %s readings published\n",
                     WithThousands(left.delivered).c_str());
    }
    return !m_bRefused;
}
