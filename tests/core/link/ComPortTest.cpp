#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "PtyPair.h"
#include "link/ComPort.h"

namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

// Collects the delivered blocks with their arrival times.
class BlockRecorder {
  public:
    struct Block {
        std::vector<std::uint8_t> bytes;
        SteadyClock::time_point at;
        std::thread::id thread;
    };

    ReceiveHandler Handler() {
        return [this](const std::uint8_t* bytes, std::size_t count) {
            {
                std::lock_guard lock(m_mutex);
                m_blocks.push_back(
                    {{bytes, bytes + count}, SteadyClock::now(), std::this_thread::get_id()});
            }
            m_changed.notify_all();
            if (m_onBlock) {
                m_onBlock(m_blocks.size());
            }
        };
    }

    // Runs on the reader thread after each block, with the count so far.
    void OnBlock(std::function<void(std::size_t)> hook) { m_onBlock = std::move(hook); }

    bool WaitFor(std::size_t count, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_blocks.size() >= count; });
    }

    std::vector<Block> Blocks() {
        std::lock_guard lock(m_mutex);
        return m_blocks;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Block> m_blocks;
    std::function<void(std::size_t)> m_onBlock;
};

bool OpenOn(CComPort& port, const PtyPair& pty) {
    return port.OpenDevice(pty.SlavePath(), 2, 9600, NoParity, 8, OneStopBit, NoFlowControl);
}

// Why the port's last open or write failed, for a failing check's message.
std::string LastErrorOf(const CComPort& port) {
    const auto error = port.LastError();
    return error ? error->what() : "no error";
}

TEST(ComPort, BurstsAreCutByReadSizeAndTheGapAfterTheLastByte) {
    PtyPair pty;
    BlockRecorder recorder;
    CComPort port;
    port.SetReceiveHandler(recorder.Handler());
    ASSERT_TRUE(OpenOn(port, pty));
    EXPECT_TRUE(port.m_bOpened);
    EXPECT_EQ(port.ReadSize(), 20);
    port.SetReadSize(100);  // takes effect although the reader already waits

    // 30 bytes with a read size of 100: one block, about 200 ms after the last byte.
    pty.Send(Pattern(30));
    const auto sent = SteadyClock::now();
    ASSERT_TRUE(recorder.WaitFor(1));
    std::this_thread::sleep_for(300ms);
    auto blocks = recorder.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].bytes, Pattern(30));
    EXPECT_GE(blocks[0].at - sent, 180ms);
    EXPECT_LT(blocks[0].at - sent, 1500ms);
    EXPECT_NE(blocks[0].thread, std::this_thread::get_id());

    // 250 bytes: 100, 100 and 50, in order.
    pty.Send(Pattern(250, 30));
    ASSERT_TRUE(recorder.WaitFor(4));
    std::this_thread::sleep_for(300ms);
    blocks = recorder.Blocks();
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[1].bytes.size(), 100u);
    EXPECT_EQ(blocks[2].bytes.size(), 100u);
    EXPECT_EQ(blocks[3].bytes.size(), 50u);
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        joined.insert(joined.end(), blocks[i].bytes.begin(), blocks[i].bytes.end());
    }
    EXPECT_EQ(joined, Pattern(250, 30));

    // Sizes out of range are clamped to 1..2048.
    port.SetReadSize(5000);
    EXPECT_EQ(port.ReadSize(), CReadComThread::kMaxReadSize);
    port.SetReadSize(0);
    EXPECT_EQ(port.ReadSize(), 1);
    port.Close();
}

TEST(ComPort, QueuedDataIsDeliveredAtOnceAfterASlowRoutine) {
    PtyPair pty;
    BlockRecorder recorder;
    SteadyClock::time_point routineDone;
    recorder.OnBlock([&](std::size_t count) {
        if (count == 1) {
            std::this_thread::sleep_for(500ms);  // meanwhile 300 bytes queue up
            routineDone = SteadyClock::now();
        }
    });
    CComPort port;
    port.SetReceiveHandler(recorder.Handler());
    ASSERT_TRUE(OpenOn(port, pty));
    port.SetReadSize(100);

    pty.Send(Pattern(10));
    ASSERT_TRUE(recorder.WaitFor(1));
    pty.Send(Pattern(300, 10));
    ASSERT_TRUE(recorder.WaitFor(4));
    const auto blocks = recorder.Blocks();
    ASSERT_EQ(blocks.size(), 4u);
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_EQ(blocks[i].bytes, Pattern(100, static_cast<std::uint8_t>(10 + 100 * (i - 1))));
    }
    // Full requests never wait for the inter-byte gap (3 x 200 ms if they did).
    EXPECT_LT(blocks[3].at - routineDone, 400ms);
}

TEST(ComPort, BytesBeforeTheRoutineIsRegisteredAreDropped) {
    PtyPair pty;
    BlockRecorder recorder;  // outlives the port, whose reader may still call it
    CComPort port;
    ASSERT_TRUE(OpenOn(port, pty));
    port.SetReadSize(100);
    pty.Send(Pattern(40, 0x40));
    std::this_thread::sleep_for(500ms);  // read and delivered to nobody

    port.SetReceiveHandler(recorder.Handler());
    pty.Send(Pattern(40, 0x80));
    ASSERT_TRUE(recorder.WaitFor(1));
    std::this_thread::sleep_for(300ms);
    const auto blocks = recorder.Blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].bytes, Pattern(40, 0x80));
}

TEST(ComPort, WritesReachThePeerFromTheReceiveRoutine) {
    PtyPair pty;
    CComPort port;
    const std::vector<std::uint8_t> ack = {0xF3, 0x01, 0xF4};
    int written = 0;
    port.SetReceiveHandler([&](const std::uint8_t*, std::size_t) {
        for (int i = 0; i < 5; ++i) {
            written += port.Write(ack.data(), ack.size());
        }
    });
    ASSERT_TRUE(OpenOn(port, pty));
    pty.Send(Pattern(5));
    const auto reply = pty.Receive(15, 3000);
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 5; ++i) {
        expected.insert(expected.end(), ack.begin(), ack.end());
    }
    EXPECT_EQ(reply, expected);
    port.Close();
    EXPECT_EQ(written, 15);

    // Writing to a closed port fails as a value, not a crash.
    EXPECT_EQ(port.Write(ack.data(), ack.size()), 0);
    ASSERT_TRUE(port.LastError().has_value());
    EXPECT_EQ(port.LastError()->m_dwError, std::uint32_t(EBADF));
}

TEST(ComPort, CloseIsPromptUnderTrafficAndWhileTheRoutineIsStuckInWrite) {
    PtyPair pty;
    CComPort port;
    std::atomic<bool> routineEntered{false};
    // The peer never reads, so a large write blocks once the pty buffer fills.
    port.SetReceiveHandler([&](const std::uint8_t*, std::size_t) {
        routineEntered = true;
        const std::vector<std::uint8_t> flood(1 << 20, 0x55);
        port.Write(flood.data(), flood.size());
    });
    ASSERT_TRUE(OpenOn(port, pty));
    std::atomic<bool> sending{true};
    std::thread meter([&] {
        while (sending) {
            pty.Send(Pattern(50));
            std::this_thread::sleep_for(5ms);
        }
    });
    const auto deadline = SteadyClock::now() + 3s;
    while (!routineEntered && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(routineEntered);
    std::this_thread::sleep_for(100ms);

    const auto start = SteadyClock::now();
    port.Close();
    const auto took = SteadyClock::now() - start;
    sending = false;
    meter.join();
    EXPECT_LT(took, 1s);
    EXPECT_TRUE(port.m_bOpened) << "Close keeps the last Open result";
    port.Close();  // a second Close does nothing

    // The port is free again at once.
    CComPort again;
    EXPECT_TRUE(OpenOn(again, pty)) << LastErrorOf(again);
}

TEST(ComPort, CloseFromInsideTheRoutineEndsTheReaderAndFreesThePort) {
    PtyPair pty;
    CComPort port;
    std::atomic<int> calls{0};
    port.SetReceiveHandler([&](const std::uint8_t*, std::size_t) {
        ++calls;
        port.Close();
    });
    ASSERT_TRUE(OpenOn(port, pty));
    pty.Send(Pattern(5));
    const auto deadline = SteadyClock::now() + 3s;
    CComPort other;
    bool reopened = false;
    while (!reopened && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
        reopened = OpenOn(other, pty);
    }
    EXPECT_TRUE(reopened) << "the reader released the port as it ended: " << LastErrorOf(other);
    EXPECT_EQ(calls, 1);
    other.Close();
    port.Close();  // joins the finished reader
}

TEST(ComPort, OpenFailureAndTheVanishingDevice) {
    CComPort port;
    EXPECT_FALSE(port.Open(986, 2, 9600, NoParity, 8, OneStopBit, NoFlowControl));
    EXPECT_FALSE(port.m_bOpened);
    ASSERT_TRUE(port.LastError().has_value());
    EXPECT_EQ(port.LastError()->m_dwError, std::uint32_t(ENOENT));
    port.Close();  // nothing open: nothing happens

    // The routine holds the reader on a first block while the next bytes queue
    // up, and the meter goes only once the reader has taken them: a vanished
    // terminal takes along what nobody has read.
    PtyPair pty;
    pty.WatchInput();
    BlockRecorder recorder;
    std::promise<void> entered;
    std::promise<void> release;
    recorder.OnBlock([&, released = release.get_future().share()](std::size_t count) {
        if (count == 1) {
            entered.set_value();
            released.wait();
        }
    });
    std::mutex lostMutex;
    std::condition_variable lostChanged;
    std::vector<std::string> lost;
    port.SetReceiveHandler(recorder.Handler());
    port.SetLinkLostHandler([&](const std::string& reason) {
        std::lock_guard lock(lostMutex);
        lost.push_back(reason);
        lostChanged.notify_all();
    });
    ASSERT_TRUE(OpenOn(port, pty));
    EXPECT_EQ(port.m_nPortNo, -1) << "a device path carries no number";
    port.SetReadSize(100);
    pty.Send(Pattern(5, 0xE0));
    EXPECT_EQ(entered.get_future().wait_for(3s), std::future_status::ready);
    pty.Send(Pattern(30));
    EXPECT_TRUE(pty.WaitForUnread(30, 3000));
    release.set_value();
    EXPECT_TRUE(pty.WaitForUnread(0, 3000)) << "the reader took the bytes";
    pty.CloseMaster();
    {
        std::unique_lock lock(lostMutex);
        ASSERT_TRUE(lostChanged.wait_for(lock, 3s, [&] { return !lost.empty(); }));
    }
    ASSERT_TRUE(recorder.WaitFor(2));
    const auto blocks = recorder.Blocks();
    ASSERT_EQ(blocks.size(), 2u) << "what arrived before the loss is delivered";
    EXPECT_EQ(blocks[1].bytes, Pattern(30));
    EXPECT_NE(lost[0].find("link lost"), std::string::npos);
    port.Close();
    EXPECT_EQ(lost.size(), 1u);
}

}  // namespace
