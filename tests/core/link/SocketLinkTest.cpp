// A "bt:" port: the socket a connector hands over is read by the same reader
// as a tty, with the same read rule, and its hang-up is a lost link.
#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "link/MeterPort.h"
#include "link/Reconnect.h"

namespace {

using namespace std::chrono_literals;

// Hands over one end of a socketpair, or the error it is told to give.
class FakeConnector : public ISocketConnector {
  public:
    void Start(const std::string&) override {}
    bool Settled(const std::string&) const override { return true; }
    SocketConnectResult Connect(const std::string& address, std::chrono::milliseconds) override {
        asked.push_back(address);
        if (error) {
            return {-1, error};
        }
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            return {-1, CSerialException(static_cast<std::uint32_t>(errno), "socketpair")};
        }
        meterEnd = ends[1];
        return {ends[0], std::nullopt};
    }
    void Disconnect(const std::string& address) override { disconnected.push_back(address); }

    std::optional<CSerialException> error;
    std::vector<std::string> asked;
    std::vector<std::string> disconnected;
    int meterEnd = -1;
};

struct Delivered {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<std::uint8_t>> blocks;
    std::string lost;

    bool WaitFor(const std::function<bool()>& done) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, done);
    }
};

}  // namespace

TEST(SocketLink, ParsesBluetoothPortNames) {
    const auto meter = ParsePortChoice("bt:aa:bb:cc:dd:ee:0f");
    ASSERT_TRUE(meter);
    EXPECT_TRUE(meter->IsBluetooth());
    EXPECT_FALSE(meter->IsNumber());
    EXPECT_EQ(meter->bluetoothAddress, "AA:BB:CC:DD:EE:0F");
    EXPECT_EQ(meter->Device(), "bt:AA:BB:CC:DD:EE:0F");
    for (const char* bad :
         {"bt:", "bt:AA:BB:CC:DD:EE", "bt:AA:BB:CC:DD:EE:01:02", "bt:GG:BB:CC:DD:EE:01",
          "bt:AA-BB-CC-DD-EE-01", "bt:AAB:B:CC:DD:EE:01"}) {
        EXPECT_FALSE(ParsePortChoice(bad)) << bad;
    }
}

TEST(SocketLink, ReadsTheSocketLikeAPortAndAHangUpIsALostLink) {
    FakeConnector connector;
    CComPort port;
    port.SetSocketConnector(&connector, 0ms);
    Delivered got;
    const MeterPortResult result = OpenMeterPort(
        port, *ParsePortChoice("bt:AA:BB:CC:DD:EE:01"),
        [&](const std::uint8_t* bytes, std::size_t count) {
            std::lock_guard lock(got.mutex);
            got.blocks.emplace_back(bytes, bytes + count);
            got.changed.notify_all();
        },
        [&](const std::string& reason) {
            std::lock_guard lock(got.mutex);
            got.lost = reason;
            got.changed.notify_all();
        });
    ASSERT_TRUE(result.opened) << result.Message();
    EXPECT_EQ(port.ReadSize(), kMeterReadSize);

    // 250 bytes at once with reads of 100: blocks of 100, 100 and 50, in order.
    std::vector<std::uint8_t> burst(250);
    for (std::size_t i = 0; i < burst.size(); ++i) {
        burst[i] = static_cast<std::uint8_t>(i);
    }
    ASSERT_EQ(write(connector.meterEnd, burst.data(), burst.size()), 250);
    ASSERT_TRUE(got.WaitFor([&] { return got.blocks.size() >= 3; }));
    {
        std::lock_guard lock(got.mutex);
        ASSERT_EQ(got.blocks.size(), 3u);
        EXPECT_EQ(got.blocks[0].size(), 100u);
        EXPECT_EQ(got.blocks[1].size(), 100u);
        EXPECT_EQ(got.blocks[2].size(), 50u);
        std::vector<std::uint8_t> all;
        for (const auto& block : got.blocks) {
            all.insert(all.end(), block.begin(), block.end());
        }
        EXPECT_EQ(all, burst);
    }

    // Acknowledgements go out through the socket.
    const std::uint8_t ack[] = {0xF3, 0x01, 0xF4};
    EXPECT_EQ(port.Write(ack, sizeof ack), 3);
    std::uint8_t echoed[3] = {};
    ASSERT_EQ(read(connector.meterEnd, echoed, sizeof echoed), 3);
    EXPECT_EQ(echoed[2], 0xF4);

    // The meter's end goes away: the link is lost, and a write fails instead
    // of raising SIGPIPE.
    close(connector.meterEnd);
    ASSERT_TRUE(got.WaitFor([&] { return !got.lost.empty(); }));
    EXPECT_EQ(got.lost, "link lost: bt:AA:BB:CC:DD:EE:01 hung up");
    EXPECT_EQ(port.Write(ack, sizeof ack), 0);

    // Closing lets go of the connection, once.
    port.Close();
    port.Close();
    EXPECT_EQ(connector.disconnected, std::vector<std::string>{"AA:BB:CC:DD:EE:01"});
}

TEST(SocketLink, AFailedConnectionIsTriedOnceAndWordedAsAPortThatWillNotOpen) {
    FakeConnector connector;
    CComPort port;
    port.SetSocketConnector(&connector, 0ms);
    const PortChoice meter = *ParsePortChoice("bt:AA:BB:CC:DD:EE:01");

    connector.error = CSerialException(EBUSY, "connect bt:AA:BB:CC:DD:EE:01");
    MeterPortResult result = OpenMeterPort(port, meter, {});
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(connector.asked.size(), 1u) << "the Bluetooth service pages the meter itself";
    EXPECT_EQ(result.Message(),
              "Warning:Can't open bt:AA:BB:CC:DD:EE:01!\nDevice or resource "
              "busy (the port is in use by another program)");

    connector.error = CSerialException(EHOSTDOWN, "connect", "The meter does not answer.");
    result = OpenMeterPort(port, meter, {});
    EXPECT_EQ(result.Message(),
              "Warning:Can't open bt:AA:BB:CC:DD:EE:01!\nThe meter does not answer.");
    EXPECT_EQ(ReconnectFailureReason(result.error), "connect: The meter does not answer.");

    // Still being connected: a reconnect just waits.
    connector.error = CSerialException(EINPROGRESS, "connect");
    result = OpenMeterPort(port, meter, {}, {}, 1);
    EXPECT_EQ(ReconnectFailureReason(result.error), "");

    CComPort unconnected;  // a program without Bluetooth
    result = OpenMeterPort(unconnected, meter, {});
    EXPECT_FALSE(result.opened);
    EXPECT_NE(result.Message().find("not available"), std::string::npos);
    EXPECT_TRUE(connector.disconnected.empty()) << "nothing was connected";
}
