// When a lost link's device is tried again, and what the status bar says.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <utility>

#include <gtest/gtest.h>

#include "PtyPair.h"
#include "link/Reconnect.h"

using namespace std::chrono_literals;
using Clock = CReconnectSchedule::Clock;

TEST(Reconnect, AKeptDeviceIsTriedOncePerPeriodUntilItOpensOrIsLetGo) {
    const Clock::time_point t0 = Clock::time_point{} + 1h;
    CReconnectSchedule schedule(2s);

    // Never opened (or let go of): a lost link starts nothing.
    EXPECT_FALSE(schedule.LinkLost(t0));
    EXPECT_FALSE(schedule.Due(t0 + 1h));

    schedule.Keep("/dev/rfcomm0");
    ASSERT_TRUE(schedule.LinkLost(t0));
    EXPECT_TRUE(schedule.Pending());
    const std::pair<std::chrono::milliseconds, bool> firstTry[] = {
        {0ms, false}, {1999ms, false}, {2000ms, true}, {2500ms, true}};
    for (const auto& [at, due] : firstTry) {
        EXPECT_EQ(schedule.Due(t0 + at), due) << at.count() << " ms";
    }
    // A failed attempt puts the next one a full period after it.
    schedule.AttemptFailed(t0 + 2500ms, "port in use by another program");
    EXPECT_EQ(schedule.Reason(), "port in use by another program");
    EXPECT_FALSE(schedule.Due(t0 + 4499ms));
    EXPECT_TRUE(schedule.Due(t0 + 4500ms));
    schedule.AttemptFailed(t0 + 4500ms, "");
    EXPECT_EQ(schedule.Reason(), "");

    // Open again: nothing more is due, and the device stays kept.
    schedule.AttemptSucceeded();
    EXPECT_FALSE(schedule.Pending());
    EXPECT_FALSE(schedule.Due(t0 + 1h));
    EXPECT_EQ(schedule.Device(), "/dev/rfcomm0");
    EXPECT_TRUE(schedule.LinkLost(t0 + 10s));

    // Another port, the demo meter or a close on purpose: never again.
    schedule.Forget();
    EXPECT_FALSE(schedule.Pending());
    EXPECT_FALSE(schedule.Due(t0 + 1h));
    EXPECT_FALSE(schedule.LinkLost(t0 + 1h));
}

TEST(Reconnect, TheStatusSaysWhyADeviceThatCameBackDoesNotOpen) {
    EXPECT_EQ(ReconnectingText("/dev/rfcomm0"), "Reconnecting to /dev/rfcomm0\u2026");
    EXPECT_EQ(ReconnectingText("/dev/rfcomm0", "busy"),
              "Reconnecting to /dev/rfcomm0\u2026 (busy)");
    EXPECT_EQ(ConnectedText("/dev/rfcomm0"), "Connected to /dev/rfcomm0");

    auto reasonFor = [](const std::string& path) {
        CSerialPort port;
        try {
            port.OpenDevice(path, LineSettings{});
        } catch (const CSerialException& error) {
            return ReconnectFailureReason(error);
        }
        return std::string("opened");
    };
    const auto dir =
        std::filesystem::temp_directory_path() / ("vavirir-reconnect-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string plainFile = (dir / "rfcomm0").string();
    std::ofstream(plainFile) << "not a device";
    PtyPair pty;
    CSerialPort holder;
    holder.OpenDevice(pty.SlavePath(), LineSettings{});

    // Still away: no reason, that is the normal wait. Anything else is named.
    EXPECT_EQ(reasonFor((dir / "absent").string()), "");
    EXPECT_NE(reasonFor(plainFile).find("not a serial device"), std::string::npos);
    EXPECT_NE(reasonFor(dir.string()).find("Is a directory"), std::string::npos);
    EXPECT_NE(reasonFor(pty.SlavePath()).find("in use by another program"), std::string::npos);
    EXPECT_EQ(ReconnectFailureReason(std::nullopt), "");
    std::filesystem::remove_all(dir);
}
