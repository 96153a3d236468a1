// record --mqtt against a Mosquitto broker of the test's own, with the
// simulator as the meter: what the broker delivers is compared with what the
// command recorded.
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "docview/DataFile.h"
#include "record/Document.h"
#include "support/ChildProcess.h"
#include "support/MosquittoBroker.h"
#include "support/ResultAssert.h"
#include "support/TestFolder.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test_support::BrokerSetup;
using test_support::ChildProcess;
using test_support::MosquittoBroker;
using test_support::ProgramPath;
using test_support::Subscriber;

namespace {

class MqttCli : public test_support::TestFolderTest {
  protected:
    MqttCli() : TestFolderTest("vavirir-e2e-mqtt-") {}

    // The simulator's live readings every `intervalMs`; returns its terminal.
    std::string StartSim(int intervalMs) {
        m_sim = std::make_unique<ChildProcess>(
            std::vector<std::string>{ProgramPath("vavirir-sim"), "live", "--interval-ms",
                                     std::to_string(intervalMs)},
            test_support::StderrTo(PathOf("sim.err")));
        const std::string pty = m_sim->ReadLine(10s).value_or("");
        EXPECT_FALSE(pty.empty()) << "the simulator printed no terminal";
        return pty;
    }

    std::unique_ptr<ChildProcess> Record(const std::vector<std::string>& args) {
        std::vector<std::string> all = {ProgramPath("vavirir-cli"), "record"};
        all.insert(all.end(), args.begin(), args.end());
        return std::make_unique<ChildProcess>(all, test_support::StderrTo(PathOf("cli.err")));
    }

    std::unique_ptr<ChildProcess> m_sim;
};

// "/dev/pts/3" is published under vavirir/pts3.
std::string TopicOf(const std::string& pty) {
    std::string name = pty.substr(std::string("/dev/").size());
    std::erase(name, '/');
    return "vavirir/" + name;
}

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::size_t SeqOf(const std::string& message) {
    std::smatch m;
    const std::regex seq("\"seq\":([0-9]+)");
    return std::regex_search(message, m, seq) ? std::stoul(m[1]) : 0;
}

// Waits until `condition` holds, at most `limit`.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

}  // namespace

TEST_F(MqttCli, PublishesEveryReadingInOrderAsItsJsonLineBetweenOnlineAndOffline) {
    MosquittoBroker broker(m_dir.string());
    Subscriber sub(broker, "vavirir/#");
    const std::string pty = StartSim(20);
    auto cli = Record(
        {"--port", pty, "--count", "40", "--jsonl", PathOf("r.jsonl"), "--mqtt", broker.Url()});
    ASSERT_EQ(cli->Wait(60s), 0) << cli->Stderr();

    const std::string topic = TopicOf(pty);
    std::vector<std::string> expected = {topic + "/status online"};
    for (const std::string& line : FileLines(PathOf("r.jsonl"))) {
        expected.push_back(topic + "/reading " + line);
    }
    expected.push_back(topic + "/status offline");
    ASSERT_EQ(expected.size(), 42u);
    std::vector<std::string> received;
    while (received.size() < expected.size()) {
        const auto line = sub.Next(20s);
        ASSERT_TRUE(line.has_value()) << "after " << received.size() << " messages";
        received.push_back(*line);
    }
    EXPECT_EQ(received, expected);
    EXPECT_NE(cli->Stderr().find("record: MQTT: 40 readings published"), std::string::npos)
        << cli->Stderr();
}

TEST_F(MqttCli, BrokerStoppedAndStartedAgainLosesNoReadingAndTheDataFileIsComplete) {
    MosquittoBroker broker(m_dir.string(), test_support::KeepingSessions());
    // A session the broker keeps across its restart, as a dashboard's would be.
    Subscriber sub(broker, "vavirir/+/reading", "vavirir-test");
    const std::string pty = StartSim(10);
    constexpr std::size_t kCount = 500;
    auto cli = Record({"--port", pty, "--count", std::to_string(kCount), "--out", PathOf("r.txt"),
                       "--mqtt", broker.Url()});

    std::vector<std::size_t> seqs;
    while (seqs.empty() || seqs.back() < 50) {
        const auto line = sub.Next(20s);
        ASSERT_TRUE(line.has_value()) << cli->Stderr();
        seqs.push_back(SeqOf(*line));
    }
    broker.Stop();
    // The publisher notices, and readings go on arriving into its queue.
    ASSERT_TRUE(WaitFor([&] { return cli->Stderr().find(" lost") != std::string::npos; }, 20s))
        << cli->Stderr();
    const auto progressLines = [&] {
        const std::string err = cli->Stderr();
        return std::count(err.begin() + static_cast<long>(err.find(" lost")), err.end(), '\n');
    };
    ASSERT_TRUE(WaitFor([&] { return progressLines() >= 2; }, 20s)) << cli->Stderr();
    broker.Start();

    ASSERT_EQ(cli->Wait(90s), 0) << cli->Stderr();
    while (std::find(seqs.begin(), seqs.end(), kCount) == seqs.end()) {
        const auto line = sub.Next(30s);
        ASSERT_TRUE(line.has_value()) << "last seq " << seqs.back() << "\n" << cli->Stderr();
        seqs.push_back(SeqOf(*line));
    }
    // QoS 1 may repeat a reading in flight when the link dropped; each first
    // arrival is in order and none is missing.
    std::vector<std::size_t> firsts;
    std::set<std::size_t> seen;
    for (std::size_t seq : seqs) {
        if (seen.insert(seq).second) {
            firsts.push_back(seq);
        }
    }
    std::vector<std::size_t> all(kCount);
    std::iota(all.begin(), all.end(), 1);
    EXPECT_EQ(firsts, all);

    CRoZudozuvDoc saved;
    EXPECT_TRUE(Succeeded(LoadDocumentFile(PathOf("r.txt"), saved)));
    EXPECT_EQ(saved.channels[0].size(), kCount);
}

TEST_F(MqttCli, StatusGoesOfflineWhenTheProgramIsKilled) {
    MosquittoBroker broker(m_dir.string());
    Subscriber sub(broker, "vavirir/+/status");
    const std::string pty = StartSim(100);
    auto cli = Record(
        {"--port", pty, "--seconds", "300", "--out", PathOf("r.txt"), "--mqtt", broker.Url()});
    const std::string topic = TopicOf(pty);
    EXPECT_EQ(sub.Next(30s), topic + "/status online") << cli->Stderr();
    cli->Signal(SIGKILL);
    // The broker speaks the program's last will as soon as the connection drops.
    EXPECT_EQ(sub.Next(30s), topic + "/status offline");
}

TEST_F(MqttCli, ABrokerRefusesAWrongPasswordClearlyAndTakesTheRightOneFromAFile) {
    const BrokerSetup login = test_support::WithLogin("bench", "Xyzzy-42");
    MosquittoBroker broker(m_dir.string(), login);
    const std::string at = "127.0.0.1:" + std::to_string(broker.Port());

    auto wrong = Record({"--port", "/dev/null", "--count", "3", "--out", PathOf("w.txt"), "--mqtt",
                         "mqtt://bench:Plugh-7@" + at});
    ASSERT_EQ(wrong->Wait(30s), 1);
    const std::string err = wrong->Stderr();
    EXPECT_NE(err.find("vavirir-cli record: the MQTT broker mqtt://bench@" + at +
                       " refused the connection: not authorised (check the user name and "
                       "password)\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("Plugh"), std::string::npos) << "the password was printed";

    Subscriber sub(broker, "lab/#", {}, login);
    { std::ofstream(PathOf("pw")) << "Xyzzy-42\n"; }
    ::chmod(PathOf("pw").c_str(), 0600);
    const std::string pty = StartSim(20);
    auto right =
        Record({"--port", pty, "--count", "3", "--out", PathOf("r.txt"), "--mqtt",
                "mqtt://bench@" + at + "/lab/bench1", "--mqtt-password-file", PathOf("pw")});
    ASSERT_EQ(right->Wait(60s), 0) << right->Stderr();
    EXPECT_EQ(sub.Next(20s), "lab/bench1/status online");
    for (std::size_t seq = 1; seq <= 3; ++seq) {
        const auto line = sub.Next(20s).value_or("");
        EXPECT_EQ(line.rfind("lab/bench1/reading {", 0), 0u) << line;
        EXPECT_EQ(SeqOf(line), seq);
    }
    EXPECT_EQ(right->Stderr().find("Xyzzy"), std::string::npos) << "the password was printed";
}

TEST_F(MqttCli, AWrongMqttOptionIsAUsageError) {
    const std::vector<std::vector<std::string>> wrongs = {
        {"--mqtt", "http://broker"},
        {"--mqtt", "mqtt://broker:0"},
        {"--mqtt", "mqtt://broker/a/#"},
        {"--mqtt-cafile", "ca.pem"},
        {"--mqtt", "mqtt://broker", "--mqtt-cafile", "ca.pem"},
        {"--mqtt", "mqtt://broker", "--mqtt-password-file", "pw"},
    };
    for (const auto& wrong : wrongs) {
        std::vector<std::string> args = {"--port", "/dev/null", "--out", PathOf("r.txt")};
        args.insert(args.end(), wrong.begin(), wrong.end());
        auto cli = Record(args);
        EXPECT_EQ(cli->Wait(30s), 2) << wrong[1] << "\n" << cli->Stderr();
    }
}

// A password file that cannot be read is a runtime error that says why.
TEST_F(MqttCli, AnUnreadablePasswordFileIsSaid) {
    const std::string missing = PathOf("no-such-pw");
    auto cli = Record({"--port", "/dev/null", "--out", PathOf("r.txt"), "--mqtt",
                       "mqtt://bench@broker", "--mqtt-password-file", missing});
    EXPECT_EQ(cli->Wait(30s), 1) << cli->Stderr();
    EXPECT_EQ(cli->Stderr(),
              "vavirir-cli record: cannot read " + missing + ": No such file or directory\n");
}
