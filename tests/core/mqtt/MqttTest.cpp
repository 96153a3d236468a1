// The broker URL, the topic names, the status words, the password file, and
// the publisher's bounded queue against a real broker.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "mqtt/MqttPublisher.h"
#include "mqtt/MqttUrl.h"
#include "mqtt/PasswordFile.h"
#include "support/MosquittoBroker.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(MqttUrl, ParsesWhatTheUsageShowsAndSaysWhatIsWrongOtherwise) {
    struct Case {
        std::string url;
        std::optional<MqttBroker> broker;  // nothing: an error
    };
    const std::vector<Case> cases = {
        {"mqtt://127.0.0.1", MqttBroker{false, "127.0.0.1", 1883, "", std::nullopt, ""}},
        {"mqtt://broker.lan:18830", MqttBroker{false, "broker.lan", 18830, "", std::nullopt, ""}},
        {"mqtts://h", MqttBroker{true, "h", 8883, "", std::nullopt, ""}},
        {"mqtt://ann@h", MqttBroker{false, "h", 1883, "ann", std::nullopt, ""}},
        {"mqtt://ann:p%40ss%3Aw@h:1/lab/bench1",
         MqttBroker{false, "h", 1, "ann", "p@ss:w", "lab/bench1"}},
        {"mqtt://ann:@h", MqttBroker{false, "h", 1883, "ann", "", ""}},
        {"mqtt://[::1]:1884/t", MqttBroker{false, "::1", 1884, "", std::nullopt, "t"}},
        {"http://h", std::nullopt},
        {"mqtt://", std::nullopt},
        {"mqtt://h:", std::nullopt},
        {"mqtt://h:65536", std::nullopt},
        {"mqtt://h:12x", std::nullopt},
        {"mqtt://h/", std::nullopt},
        {"mqtt://h/a/+/b", std::nullopt},
        {"mqtt://h/a/#", std::nullopt},
        {"mqtt://:pw@h", std::nullopt},
        {"mqtt://ann:%zz@h", std::nullopt},
        {"mqtt://[::1", std::nullopt},
    };
    for (const Case& c : cases) {
        const Result<MqttBroker> parsed = ParseMqttUrl(c.url);
        if (c.broker) {
            ASSERT_TRUE(parsed.Ok()) << c.url << ": " << parsed.Message();
            EXPECT_EQ(*parsed, *c.broker) << c.url;
        } else {
            EXPECT_FALSE(parsed.Ok()) << c.url;
        }
    }
}

TEST(MqttUrl, NamesTheBrokerWithoutThePasswordAndTheTopicsAfterTheMeter) {
    const auto broker = ParseMqttUrl("mqtts://ann:secret@[::1]:8884").Value();
    EXPECT_EQ(BrokerText(broker), "mqtts://ann@[::1]:8884");
    EXPECT_EQ(MeterTopicName("rfcomm0"), "rfcomm0");
    EXPECT_EQ(MeterTopicName("pts/3"), "pts3");
    EXPECT_EQ(MeterTopicName("00:1A:7D:DA:71:13"), "001A7DDA7113");
    EXPECT_EQ(MeterTopicName("a+b#c d"), "abcd");
    EXPECT_EQ(MeterTopicName("//"), "meter");
    EXPECT_EQ(TopicPrefix(broker, "pts/3"), "vavirir/pts3");
    const auto given = ParseMqttUrl("mqtt://h/lab/dmm").Value();
    EXPECT_EQ(ReadingTopic(TopicPrefix(given, "rfcomm0")), "lab/dmm/reading");
    EXPECT_EQ(StatusTopic(TopicPrefix(given, "rfcomm0")), "lab/dmm/status");
}

TEST(MqttStatus, SaysTheStateWithWhatIsQueuedAndDropped) {
    const std::vector<std::pair<MqttStatus, std::string>> cases = {
        {{MqttState::Connected, 0, 0, 5, ""}, "MQTT: connected"},
        {{MqttState::Connected, 3, 12, 5, ""}, "MQTT: connected (12 dropped)"},
        {{MqttState::Connecting, 0, 0, 0, ""}, "MQTT: connecting"},
        {{MqttState::Reconnecting, 1204, 0, 0, "x"}, "MQTT: reconnecting (1,204 queued)"},
        {{MqttState::Reconnecting, 10000, 1234567, 0, ""},
         "MQTT: reconnecting (10,000 queued, 1,234,567 dropped)"},
        {{MqttState::Refused, 0, 0, 0, "bad user name or password"},
         "MQTT: refused (bad user name or password)"},
        {{MqttState::Stopped, 0, 0, 0, ""}, "MQTT: off"},
    };
    for (const auto& [status, text] : cases) {
        EXPECT_EQ(MqttStatusText(status), text);
    }
}

TEST(PasswordFile, IsWrittenForItsOwnerAloneAndReadBackWithoutItsLineEnd) {
    const fs::path dir = fs::temp_directory_path() / ("vavirir-pw-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string path = (dir / "mqtt-password").string();
    { std::ofstream(path) << "old\n"; }
    ::chmod(path.c_str(), 0644);
    EXPECT_TRUE(PasswordFileIsShared(path));
    ASSERT_TRUE(WritePasswordFile(path, "p@ss word").Ok());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_FALSE(PasswordFileIsShared(path));
    EXPECT_EQ(ReadPasswordFile(path).Value(), "p@ss word");
    const std::string none = (dir / "none").string();
    EXPECT_EQ(ReadPasswordFile(none).Message(),
              "cannot read " + none + ": No such file or directory");
    fs::remove_all(dir);
}

// While nobody listens the readings wait in the queue and the oldest beyond
// its size are dropped; once a broker answers the rest go out in order.
TEST(MqttPublisher, KeepsTheNewestReadingsWhileTheBrokerIsAwayAndSendsThemInOrder) {
    const fs::path dir = fs::temp_directory_path() / ("vavirir-mqttq-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // The subscriber's session outlives the broker's restart, so it gets what
    // was published whoever reconnects first.
    test_support::MosquittoBroker broker(dir.string(), test_support::KeepingSessions());
    test_support::Subscriber sub(broker, "test/#", "queue-test");
    broker.Stop();
    MqttPublisherSettings settings;
    settings.broker = ParseMqttUrl(broker.Url()).Value();
    settings.topicPrefix = "test/meter";
    settings.queueCapacity = 5;
    CMqttPublisher publisher(settings);
    ASSERT_TRUE(publisher.Start().Ok());
    const MqttStatus away = publisher.WaitForConnection(10s);
    EXPECT_EQ(away.state, MqttState::Reconnecting);
    EXPECT_EQ(away.reason, "Connection refused");
    for (int i = 1; i <= 8; ++i) {
        publisher.Publish("{\"seq\":" + std::to_string(i) + "}");
    }
    EXPECT_EQ(publisher.Status().queued, 5u);
    EXPECT_EQ(publisher.Status().dropped, 3u);

    broker.Start();
    publisher.SetMeterOnline(true);
    // The retained "online" may come twice (published, and again when the
    // subscriber's session subscribes anew on the restarted broker) and at
    // any point among the readings; the readings keep their order.
    const auto nextOtherThanOnline = [&](std::chrono::seconds limit) {
        std::optional<std::string> line;
        do {
            line = sub.Next(limit);
        } while (line == "test/meter/status online");
        return line;
    };
    std::vector<std::string> received;
    while (received.size() < 5) {
        const auto line = nextOtherThanOnline(30s);
        ASSERT_TRUE(line.has_value()) << MqttStatusText(publisher.Status());
        received.push_back(*line);
    }
    EXPECT_EQ(received, (std::vector<std::string>{
                            "test/meter/reading {\"seq\":4}", "test/meter/reading {\"seq\":5}",
                            "test/meter/reading {\"seq\":6}", "test/meter/reading {\"seq\":7}",
                            "test/meter/reading {\"seq\":8}"}));
    const MqttStatus left = publisher.Stop(10s);
    EXPECT_EQ(left.queued, 0u);
    EXPECT_EQ(left.delivered, 5u);
    EXPECT_EQ(nextOtherThanOnline(10s), "test/meter/status offline");
    fs::remove_all(dir);
}
