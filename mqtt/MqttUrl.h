#pragma once

// Where readings are published: an MQTT broker named by a URL,
//   mqtt://[user[:password]@]HOST[:PORT][/TOPIC]   (mqtts:// for TLS)
// and the topics under it.

#include <optional>
#include <string>

#include "common/Result.h"

struct MqttBroker {
    bool tls = false;
    std::string host;
    int port = 1883;  // 8883 for mqtts://
    std::string user;
    std::optional<std::string> password;
    // The prefix of the topics; empty: "vavirir/<meter>".
    std::string topic;

    bool operator==(const MqttBroker&) const = default;
};

// Parses the URL; a failure says what is wrong with it. User and password may
// carry %XX escapes (for ':' or '@' in a password).
Result<MqttBroker> ParseMqttUrl(const std::string& url);

// The broker as messages name it, never with the password:
// "mqtt://user@host:1883".
std::string BrokerText(const MqttBroker& broker);

// The meter's part of the default topic: the port's short name with what a
// topic level cannot hold or should not (':' '/' '+' '#' spaces) left out:
// "rfcomm0", "pts3", "001A7DDA7113", "Demometer".
std::string MeterTopicName(const std::string& portName);

// The prefix the topics share: the broker's topic, else "vavirir/<meter>".
std::string TopicPrefix(const MqttBroker& broker, const std::string& meter);
// "<prefix>/reading" (QoS 1, not retained) and "<prefix>/status" (retained
// "online" / "offline").
inline std::string ReadingTopic(const std::string& prefix) {
    return prefix + "/reading";
}
inline std::string StatusTopic(const std::string& prefix) {
    return prefix + "/status";
}
