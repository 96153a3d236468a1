// The link health pane's arithmetic: the rate over a sliding 5 s window, the
// age of the last frame and the texts, with time passed in.
#include <gtest/gtest.h>

#include "record/LinkHealth.h"

using namespace std::chrono_literals;
using Clock = CLinkHealth::Clock;

TEST(LinkHealth, TextsOfAgesRatesAndPortNames) {
    const struct {
        std::chrono::milliseconds age;
        const char* text;
    } ages[] = {{0ms, "0.0 s ago"},    {449ms, "0.4 s ago"},  {450ms, "0.5 s ago"},
                {9949ms, "9.9 s ago"}, {9950ms, "10 s ago"},  {59999ms, "59 s ago"},
                {60s, "1 min ago"},    {3599s, "59 min ago"}, {3600s, "1 h ago"},
                {-5ms, "0.0 s ago"}};
    for (const auto& row : ages) {
        EXPECT_EQ(AgeText(row.age), row.text) << row.age.count();
    }
    EXPECT_EQ(RateText(2.0), "2.0 frames/s");
    EXPECT_EQ(RateText(0.04), "0.0 frames/s");
    EXPECT_EQ(RateText(12.35), "12.4 frames/s");
    const struct {
        const char* device;
        const char* name;
    } ports[] = {{"/dev/rfcomm0", "rfcomm0"},
                 {"/dev/pts/3", "pts/3"},
                 {"/tmp/sim/ttyV0", "ttyV0"},
                 {"rfcomm1", "rfcomm1"},
                 {"Demo meter", "Demo meter"}};
    for (const auto& row : ports) {
        EXPECT_EQ(PortShortName(row.device), row.name);
    }
}

TEST(LinkHealth, RateCountsTheLastFiveSecondsAndAgeTheLastFrame) {
    const Clock::time_point t0{};
    CLinkHealth health;
    EXPECT_EQ(health.Text(t0), "No port");

    // Totals carried over from an earlier port do not count for this one.
    LinkCounters totals{1000, 50, 7};
    health.PortOpened("rfcomm0", totals, t0);
    EXPECT_EQ(health.Text(t0 + 300ms), "rfcomm0 \u00b7 0.0 frames/s \u00b7 no frames yet");

    // Two frames a second, every 500 ms; a block may bring no frame or two.
    const struct {
        std::chrono::milliseconds at;
        int frames;
        int junkBytes;
    } blocks[] = {{500ms, 1, 0},  {1000ms, 1, 3}, {1500ms, 0, 0}, {1600ms, 2, 0},
                  {2000ms, 1, 0}, {2500ms, 1, 0}, {3000ms, 1, 0}, {3500ms, 1, 0},
                  {4000ms, 1, 0}, {4500ms, 1, 0}, {5000ms, 1, 0}, {5500ms, 1, 0}};
    for (const auto& block : blocks) {
        totals.bytesReceived += 20 * static_cast<std::uint64_t>(block.frames) +
                                static_cast<std::uint64_t>(block.junkBytes);
        totals.framesDecoded += static_cast<std::uint64_t>(block.frames);
        totals.junkBytes += static_cast<std::uint64_t>(block.junkBytes);
        health.Observe(totals, t0 + block.at);
    }
    const struct {
        std::chrono::milliseconds now;
        double rate;
        const char* text;
    } expected[] = {
        // 12 frames from 500 ms to 5.5 s; the one at 500 ms has left the window.
        {5900ms, 11.0 / 5, "rfcomm0 \u00b7 2.2 frames/s \u00b7 0.4 s ago"},
        // The meter went silent: the window empties (a frame exactly 5 s old
        // has left it), the age grows.
        {8000ms, 5.0 / 5, "rfcomm0 \u00b7 1.0 frames/s \u00b7 2.5 s ago"},
        {10500ms, 0.0, "rfcomm0 \u00b7 0.0 frames/s \u00b7 5.0 s ago"},
        {100s, 0.0, "rfcomm0 \u00b7 0.0 frames/s \u00b7 1 min ago"},
    };
    for (const auto& row : expected) {
        EXPECT_DOUBLE_EQ(health.FramesPerSecond(t0 + row.now), row.rate) << row.now.count();
        EXPECT_EQ(health.Text(t0 + row.now), row.text);
    }
    EXPECT_EQ(health.Details(t0 + 5900ms),
              "rfcomm0 \u00b7 2.2 frames/s \u00b7 0.4 s ago\n243 bytes received \u00b7 3 bytes "
              "dropped as junk");

    health.PortClosed();
    EXPECT_EQ(health.Text(t0 + 6s), "No port");
}

TEST(LinkHealth, AYoungPortIsMeasuredOverTheTimeItHasBeenOpenButAtLeastOneSecond) {
    const Clock::time_point t0{};
    CLinkHealth health;
    health.PortOpened("Demo meter", {}, t0);
    health.Observe({20, 1, 0}, t0 + 100ms);
    EXPECT_DOUBLE_EQ(health.FramesPerSecond(t0 + 200ms), 1.0);
    health.Observe({60, 3, 0}, t0 + 1500ms);
    EXPECT_DOUBLE_EQ(health.FramesPerSecond(t0 + 2000ms), 1.5);
}
