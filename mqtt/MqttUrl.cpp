#include "mqtt/MqttUrl.h"

#include <cctype>
#include <charconv>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::string> PercentDecoded(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) {
            return std::nullopt;
        }
        const int high = HexDigit(text[i + 1]);
        const int low = HexDigit(text[i + 2]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

bool ValidTopic(const std::string& topic) {
    if (topic.empty() || topic.front() == '/' || topic.back() == '/') {
        return false;
    }
    for (char c : topic) {
        if (c == '+' || c == '#' || c == '\0') {
            return false;
        }
    }
    return true;
}

}  // namespace

Result<MqttBroker> ParseMqttUrl(const std::string& url) {
    MqttBroker broker;
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
    } else if (url.rfind("mqtts://", 0) == 0) {
        broker.tls = true;
        broker.port = 8883;
        rest = url.substr(8);
    } else {
        return Error{"the URL must start with mqtt:// or mqtts://"};
    }
    std::string authority = rest;
    if (const auto slash = rest.find('/'); slash != std::string::npos) {
        authority = rest.substr(0, slash);
        broker.topic = rest.substr(slash + 1);
        if (!ValidTopic(broker.topic)) {
            return Error{
                "the topic after the broker must be a topic name without + or # "
                "that neither starts nor ends with /"};
        }
    }
    if (const auto at = authority.rfind('@'); at != std::string::npos) {
        const std::string userInfo = authority.substr(0, at);
        authority = authority.substr(at + 1);
        const auto colon = userInfo.find(':');
        const auto user = PercentDecoded(userInfo.substr(0, colon));
        if (!user || user->empty()) {
            return Error{"the user name before @ is empty or has a bad % escape"};
        }
        broker.user = *user;
        if (colon != std::string::npos) {
            const auto password = PercentDecoded(userInfo.substr(colon + 1));
            if (!password) {
                return Error{"the password has a bad % escape"};
            }
            broker.password = *password;
        }
    }
    std::string host = authority;
    if (!host.empty() && host.front() == '[') {
        // An IPv6 address: [::1]:1883
        const auto close = host.find(']');
        if (close == std::string::npos) {
            return Error{"the IPv6 address has no closing ]"};
        }
        broker.host = host.substr(1, close - 1);
        host = host.substr(close + 1);
        if (!host.empty() && host.front() != ':') {
            return Error{"unexpected text after the IPv6 address"};
        }
    } else {
        const auto colon = host.find(':');
        broker.host = host.substr(0, colon);
        host = colon == std::string::npos ? std::string() : host.substr(colon);
    }
    if (broker.host.empty()) {
        return Error{"the broker's host name is missing"};
    }
    if (!host.empty()) {
        const std::string digits = host.substr(1);
        int port = 0;
        const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), port);
        if (digits.empty() || result.ec != std::errc() ||
            result.ptr != digits.data() + digits.size() || port < 1 || port > 65535) {
            return Error{"the port must be a number from 1 to 65535"};
        }
        broker.port = port;
    }
    return broker;
}

std::string BrokerText(const MqttBroker& broker) {
    std::string text = broker.tls ? "mqtts://" : "mqtt://";
    if (!broker.user.empty()) {
        text += broker.user + "@";
    }
    const bool ipv6 = broker.host.find(':') != std::string::npos;
    text += ipv6 ? "[" + broker.host + "]" : broker.host;
    return text + ":" + std::to_string(broker.port);
}

std::string MeterTopicName(const std::string& portName) {
    std::string name;
    for (char c : portName) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') {
            name += c;
        }
    }
    return name.empty() ? std::string("meter") : name;
}

std::string TopicPrefix(const MqttBroker& broker, const std::string& meter) {
    return broker.topic.empty() ? "vavirir/" + MeterTopicName(meter) : broker.topic;
}
