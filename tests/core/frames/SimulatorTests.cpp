// Runs the built vavirir-sim on a real pseudo-terminal and plays the program's
// side: opens the terminal it names, reads frames, writes acknowledgements.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "frames/Scenarios.h"
#include "support/ChildProcess.h"

using namespace frames;
using namespace std::chrono_literals;

namespace {

const std::string kSimPath = std::string(VAVIRIR_BINARY_DIR) + "/vavirir-sim";

using test_support::ChildProcess;

// The simulator's command line with these arguments.
std::vector<std::string> Sim(std::vector<std::string> args) {
    args.insert(args.begin(), kSimPath);
    return args;
}

// The program's end of the terminal.
class Port {
  public:
    explicit Port(const std::string& path) : m_fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Port() { Close(); }
    bool IsOpen() const { return m_fd >= 0; }
    void Close() {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    // Reads until `count` bytes are in or the time is up.
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout = 5s) {
        Bytes bytes;
        const auto until = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count && std::chrono::steady_clock::now() < until) {
            pollfd fd{m_fd, POLLIN, 0};
            if (::poll(&fd, 1, 20) <= 0) {
                continue;
            }
            std::uint8_t buffer[256];
            const std::size_t want = std::min(sizeof buffer, count - bytes.size());
            const ssize_t n = ::read(m_fd, buffer, want);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
    void Write(const Bytes& bytes) {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

  private:
    int m_fd;
};

Bytes Acks(int count) {
    Bytes bytes;
    for (int i = 0; i < count; ++i) {
        const Bytes ack = AckCommand();
        bytes.insert(bytes.end(), ack.begin(), ack.end());
    }
    return bytes;
}

class Simulator : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kSimPath))
            << kSimPath << " is missing; build the vavirir-sim target first";
    }
};

}  // namespace

TEST_F(Simulator, StreamsTheLiveScenarioAndEndsWhenThePortCloses) {
    ChildProcess sim(Sim({"live", "--kinds", "0,6,1", "--interval-ms", "50", "--start-delay-ms",
                          "0", "--seed", "9", "--waveform", "noise"}));
    const std::string path = sim.ReadLine(5s).value_or("");
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << "first line: " << path;
    Port port(path);
    ASSERT_TRUE(port.IsOpen());

    // The bytes on the wire are exactly the scenario's, frame after frame.
    LiveScenarioOptions options;
    options.kinds = {0, 6, 1};
    options.intervalMs = 50;
    options.seed = 9;
    options.waveform = Waveform::Noise;
    LiveScenario expected(options);
    for (int i = 0; i < 6; ++i) {
        const Bytes frame = expected.NextChunk();
        EXPECT_EQ(ToHex(port.Read(frame.size())), ToHex(frame)) << "frame " << i;
    }

    port.Close();
    EXPECT_EQ(sim.Wait(5s), 0);
}

TEST_F(Simulator, DownloadWaitsForFiveAcknowledgementsBeforeEachBlock) {
    ChildProcess sim(Sim({"download", "--blocks", "2", "--records", "3", "--interval-ms", "10",
                          "--start-delay-ms", "0"}));
    Port port(sim.ReadLine(5s).value_or(""));
    ASSERT_TRUE(port.IsOpen());

    const Bytes header = port.Read(kDownloadHeaderLength);
    ASSERT_EQ(header.size(), kDownloadHeaderLength);
    EXPECT_EQ(ToHex(header).substr(0, 4), "a0a8");
    const std::size_t blockLength = kBlockHeaderLength + 3 * kStoredRecordLength + 3;

    EXPECT_TRUE(port.Read(1, 300ms).empty()) << "no block before any acknowledgement";
    port.Write(Acks(4));
    EXPECT_TRUE(port.Read(1, 300ms).empty()) << "no block after four acknowledgements";
    port.Write(Acks(1));
    const Bytes block1 = port.Read(blockLength);
    ASSERT_EQ(block1.size(), blockLength);
    EXPECT_EQ(ToHex(block1).substr(0, 10), "a0a9030100");

    EXPECT_TRUE(port.Read(1, 300ms).empty());
    port.Write(Acks(5));
    const Bytes block2 = port.Read(blockLength);
    EXPECT_EQ(ToHex(block2).substr(0, 10), "a0a9030200");

    // The download is over: the simulator stays until the port closes.
    EXPECT_FALSE(sim.Wait(200ms).has_value());
    port.Close();
    EXPECT_EQ(sim.Wait(5s), 0);
}

TEST_F(Simulator, EndsCleanlyOnSignalsAndRemovesItsLink) {
    const std::string link =
        (std::filesystem::temp_directory_path() / ("vavirir-sim-link-" + std::to_string(getpid())))
            .string();
    {
        ChildProcess sim(
            Sim({"live", "--interval-ms", "50", "--start-delay-ms", "0", "--link", link}));
        const std::string path = sim.ReadLine(5s).value_or("");
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), path);
        Port port(link);
        ASSERT_TRUE(port.IsOpen());
        EXPECT_EQ(port.Read(20).size(), 20u);
        sim.Signal(SIGTERM);
        EXPECT_EQ(sim.Wait(5s), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    {
        // A second simulator on the same path takes the link over (the device
        // came back); the first one ending leaves the successor's link alone.
        ChildProcess first(Sim({"records", "--link", link}));
        const std::string firstPath = first.ReadLine(5s).value_or("");
        ChildProcess second(Sim({"records", "--link", link}));
        const std::string secondPath = second.ReadLine(5s).value_or("");
        ASSERT_FALSE(secondPath.empty());
        EXPECT_NE(firstPath, secondPath);
        first.Signal(SIGTERM);
        EXPECT_EQ(first.Wait(5s), 0);
        EXPECT_EQ(std::filesystem::read_symlink(link).string(), secondPath);
        second.Signal(SIGTERM);
        EXPECT_EQ(second.Wait(5s), 0);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
    for (int i = 0; i < 10; ++i) {
        // A signal at once after the path, while still waiting for a program
        // to open the terminal, ends the simulator cleanly without its link.
        ChildProcess sim(Sim({"records", "--link", link}));
        ASSERT_FALSE(sim.ReadLine(5s).value_or("").empty());
        sim.Signal(i % 2 == 0 ? SIGTERM : SIGINT);
        EXPECT_EQ(sim.Wait(5s), 0) << "try " << i;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link))) << "try " << i;
    }
}

TEST_F(Simulator, RecordsThenLingerAndHexReplay) {
    {
        ChildProcess sim(
            Sim({"records", "--interval-ms", "20", "--start-delay-ms", "0", "--linger", "50"}));
        Port port(sim.ReadLine(5s).value_or(""));
        EXPECT_EQ(ToHex(port.Read(4)), "f8f8f8f8");
        EXPECT_EQ(ToHex(port.Read(20)).substr(0, 4), "a090");
        // With --linger the simulator ends on its own after the last frame.
        EXPECT_EQ(sim.Wait(5s), 0);
    }
    {
        const auto file = std::filesystem::temp_directory_path() /
                          ("vavirir-sim-replay-" + std::to_string(getpid()) + ".hex");
        std::ofstream(file) << "# two chunks\nf8 f8 f8 f8\na0960000007a44000000bf000000\n";
        ChildProcess sim(Sim(
            {"replay", file.string(), "--hex", "--interval-ms", "20", "--start-delay-ms", "0"}));
        Port port(sim.ReadLine(5s).value_or(""));
        EXPECT_EQ(ToHex(port.Read(18)), "f8f8f8f8a0960000007a44000000bf000000");
        port.Close();
        EXPECT_EQ(sim.Wait(5s), 0);
        std::filesystem::remove(file);
    }
}

TEST_F(Simulator, UsageAndRuntimeErrors) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const std::vector<Case> cases{
        {{}, 2, "no scenario"},
        {{"dance"}, 2, "unknown scenario"},
        {{"live", "--bogus"}, 2, "unknown option --bogus"},
        {{"live", "--kinds", "0,9"}, 2, "--kinds"},
        {{"live", "--waveform", "triangle"}, 2, "unknown waveform"},
        {{"download", "--records", "300"}, 2, "--records"},
        {{"live", "--interval-ms"}, 2, "needs a value"},
        {{"replay"}, 2, "replay needs a FILE"},
        {{"replay", "/nonexistent/recording.bin"}, 1, "cannot read"},
    };
    for (const Case& c : cases) {
        ChildProcess sim(Sim(c.args));
        EXPECT_EQ(sim.Wait(5s), c.status) << ::testing::PrintToString(c.args);
        EXPECT_NE(sim.Stderr().find(c.message), std::string::npos)
            << ::testing::PrintToString(c.args);
    }

    ChildProcess help(Sim({"--help"}));
    EXPECT_EQ(help.Wait(5s), 0);
    const std::string text = help.ReadAll(5s);
    for (const char* word :
         {"live", "records", "download", "replay", "mixed", "--seed", "--link"}) {
        EXPECT_NE(text.find(word), std::string::npos) << word;
    }
}
