#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "connection/MeterConnection.h"
#include "connection/PortLink.h"
#include "core/link/PtyPair.h"
#include "frames/FrameEncoder.h"
#include "record/HeadlessHost.h"

namespace {

using namespace std::chrono_literals;
using Clock = CMeterConnection::Clock;

// A link without a device: the test plays its reader thread.
class FakeLink : public IMeterLink {
  public:
    struct Script {
        bool opens = true;
        std::string reason;  // of a refused reopen
        std::vector<std::string> opened;
        int readSize = 20;
    };
    explicit FakeLink(Script& script) : m_script(script) {}

    bool Open(const std::string& port, ReceiveFn onReceive, LostFn onLost,
              std::string& warning) override {
        m_script.opened.push_back(port);
        m_bOpen = m_script.opens;
        warning = m_bOpen ? "" : "Warning:Can't open " + port + "!";
        m_onReceive = std::move(onReceive);
        m_onLost = std::move(onLost);
        return m_bOpen;
    }
    bool Reopen(const std::string& port, ReceiveFn onReceive, LostFn onLost,
                std::string& reason) override {
        const bool opened = Open(port, std::move(onReceive), std::move(onLost), reason);
        reason = opened ? "" : m_script.reason;
        return opened;
    }
    void Close() override { m_bOpen = false; }
    bool IsOpen() const override { return m_bOpen; }
    int Write(const std::uint8_t*, std::size_t count) override { return static_cast<int>(count); }
    int ReadSize() const override { return m_script.readSize; }
    void SetReadSize(int bytes) override { m_script.readSize = bytes; }

    // What the reader thread delivers; a closed link's routines stay callable.
    void Deliver(const std::vector<std::uint8_t>& bytes) {
        m_onReceive(bytes.data(), bytes.size());
    }
    void Lose() { m_onLost("link lost: the device went away"); }

  private:
    Script& m_script;
    bool m_bOpen = false;
    ReceiveFn m_onReceive;
    LostFn m_onLost;
};

// Everything the connection tells, as one line each.
class LogObserver : public IConnectionObserver {
  public:
    std::vector<std::string> log;
    bool keepThroughSilence = false;
    int decoded = 0;

    CRoZudozuvDoc* OpenNewDocument() override { return m_documents.OpenNewDocument(); }
    void FaceChanged(FaceState face) override {
        log.push_back("face " + std::to_string(ToNumber(face.face)));
    }
    void BytesDecoded() override { ++decoded; }
    void ReadingDecoded(const MeterReading& reading, FaceNumber, DialPosition, bool) override {
        values.push_back(reading.value);
    }
    std::vector<float> values;
    void LinkChanged(const std::optional<std::string>& meter) override {
        log.push_back("link " + meter.value_or("down"));
    }
    void StatusChanged(const ConnectionStatus& status) override {
        const bool kept = status.keptThroughSilence;
        log.push_back(
            status.text + (status.linkJustLost ? " [" + status.reason + "]" : "") +
            (status.kind == ConnectionStatus::Kind::Silent ? (kept ? " kept" : " ends") : ""));
    }
    bool KeepsRecordingThroughSilence() const override { return keepThroughSilence; }
    std::vector<std::string> Take() { return std::exchange(log, {}); }

  private:
    CHeadlessSessionHost m_documents{100};
};

std::vector<std::uint8_t> Reading(float value) {
    frames::PlainFrame frame;
    frame.value = value;
    return frames::Encode(frame);
}

struct Fixture {
    explicit Fixture(MeterConnectionOptions options = {}) {
        auto link = std::make_unique<FakeLink>(script);
        fake = link.get();
        connection = std::make_unique<CMeterConnection>(observer, clock, std::move(link), options);
    }
    FakeLink::Script script;
    FakeLink* fake = nullptr;
    LogObserver observer;
    FixedClock clock{1'700'000'000};
    std::unique_ptr<CMeterConnection> connection;
};

}  // namespace

TEST(MeterConnection, ReopensALostLinkOnScheduleAndIgnoresWhatTheOldLinkLeft) {
    Fixture f(MeterConnectionOptions{.reconnectPeriod = 2000ms});
    ASSERT_TRUE(f.connection->Open("5").Ok());
    EXPECT_EQ(f.script.readSize, 100);
    EXPECT_EQ(f.observer.Take(), (std::vector<std::string>{"link rfcomm5", "face 10"}));

    // The reader reports the loss from its own thread, then a late block.
    std::thread reader([&] {
        f.fake->Lose();
        f.fake->Deliver(Reading(1.0f));
    });
    reader.join();
    const auto lost = Clock::now();
    f.connection->Pump();
    EXPECT_EQ(f.observer.decoded, 0);
    EXPECT_EQ(f.observer.Take(),
              (std::vector<std::string>{
                  "link down", "face -1",
                  "Reconnecting to /dev/rfcomm5\u2026 [link lost: the device went away]"}));
    EXPECT_GE(f.connection->NextTick(), lost + 2000ms);

    f.script.opens = false;
    f.script.reason = "Device or resource busy";
    f.connection->Tick(f.connection->NextTick() - 1ms);  // not due yet
    EXPECT_EQ(f.script.opened.size(), 1u);
    f.connection->Tick(f.connection->Reconnect().NextAttempt());
    EXPECT_EQ(
        f.observer.Take(),
        (std::vector<std::string>{"Reconnecting to /dev/rfcomm5\u2026 (Device or resource busy)"}));

    f.script.opens = true;
    f.script.readSize = 20;
    f.connection->Tick(f.connection->Reconnect().NextAttempt());
    EXPECT_EQ(f.observer.Take(),
              (std::vector<std::string>{"face 10", "link rfcomm5", "Connected to /dev/rfcomm5"}));
    EXPECT_EQ(f.script.readSize, 100);
    EXPECT_FALSE(f.connection->Reconnect().Pending());

    // The reopened link's blocks count again.
    f.fake->Deliver(Reading(2.0f));
    f.connection->Pump();
    EXPECT_EQ(f.observer.decoded, 1);
}

TEST(MeterConnection, WithoutReconnectALostLinkEndsAndSilenceEndsOrIsKept) {
    Fixture f(MeterConnectionOptions{.silenceCountsFromOpen = true, .reconnect = false});
    ASSERT_TRUE(f.connection->Open("/dev/ttyUSB0").Ok());
    f.observer.Take();

    // Silence counts from the open: 9 s are not yet silence, 10 s are.
    f.clock.Advance(9);
    EXPECT_FALSE(f.connection->CheckDataTimeout().silent);
    f.clock.Advance(1);
    EXPECT_TRUE(f.connection->CheckDataTimeout().silent);
    EXPECT_EQ(f.observer.Take().back().substr(0, 21), "The meter is silent s");
    f.observer.keepThroughSilence = true;
    f.connection->CheckDataTimeout();
    EXPECT_TRUE(f.observer.Take().back().ends_with(" kept"));

    f.fake->Lose();
    f.connection->Pump();
    EXPECT_EQ(f.observer.Take(),
              (std::vector<std::string>{"link down", "link lost: the device went away"}));
    EXPECT_FALSE(f.connection->Health().HasPort());
}

TEST(MeterConnection, ServeWakesOnDataAndPumpStopsWhenEnoughLeavingTheRestInOrder) {
    Fixture f;
    ASSERT_TRUE(f.connection->Open("5").Ok());
    // The reader delivers while the owner waits: the wait ends on the data,
    // long before its deadline.
    std::thread reader([&] {
        std::this_thread::sleep_for(20ms);
        f.fake->Deliver(Reading(1.0f));
    });
    const auto start = Clock::now();
    while (f.observer.decoded == 0 && Clock::now() - start < 60s) {
        f.connection->Serve(Clock::now() + 60s);
    }
    reader.join();
    EXPECT_EQ(f.observer.decoded, 1);

    for (float value : {2.0f, 3.0f, 4.0f}) {
        f.fake->Deliver(Reading(value));
    }
    f.connection->Pump([&] { return f.observer.decoded == 2; });
    EXPECT_EQ(f.observer.decoded, 2);
    // The close hands over what is left; `accept` takes one more block.
    f.connection->Drain([&] { return f.observer.decoded < 3; });
    EXPECT_EQ(f.observer.decoded, 3);
    EXPECT_EQ(f.observer.values, (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

// The command line's path end to end: a real port and reader thread, the
// inbox's wake descriptor and poll().
TEST(MeterConnection, ServesARealPortUntilItHangsUpThenWaitsForItsDevice) {
    LogObserver observer;
    FixedClock clock{1'700'000'000};
    CMeterConnection connection(observer, clock, std::make_unique<CPortLink>());
    EXPECT_EQ(connection.Open("-3").Message(), "Warning:Can't open -3!");
    EXPECT_TRUE(connection.Open("/nonexistent/tty")
                    .Message()
                    .starts_with("Warning:Can't open /nonexistent/tty!\n"));

    PtyPair pty;
    ASSERT_TRUE(connection.Open(pty.SlavePath()).Ok());
    pty.Send(Reading(1.5f));
    auto serveUntil = [&](const std::function<bool()>& done) {
        const auto start = Clock::now();
        while (!done() && Clock::now() - start < 60s) {
            connection.Serve(Clock::now() + 1s);
        }
        return done();
    };
    ASSERT_TRUE(serveUntil([&] { return !observer.values.empty(); }));
    EXPECT_EQ(observer.values, std::vector<float>{1.5f});

    observer.Take();
    pty.CloseMaster();
    ASSERT_TRUE(serveUntil([&] { return connection.Reconnect().Pending(); }));
    const std::vector<std::string> lost = observer.Take();
    ASSERT_EQ(lost.size(), 3u);
    EXPECT_NE(lost[2].find("[link lost: "), std::string::npos) << lost[2];
    // The device is gone: the attempt says nothing more than that it waits.
    connection.Tick(connection.Reconnect().NextAttempt());
    EXPECT_EQ(observer.Take(),
              std::vector<std::string>{"Reconnecting to " + pty.SlavePath() + "\u2026"});
}
