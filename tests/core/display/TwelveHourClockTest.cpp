// The 12-hour clock, written by the meter face and the start-stamp decoder and
// read back by the meter-record clock, for every hour of the day.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "decode/BcdText.h"
#include "decode/Clock.h"
#include "display/FaceText.h"
#include "record/Statistics.h"

TEST(TwelveHourClock, EveryHourOfTheDayIsWrittenAndReadBackAsClocksDo) {
    struct Row {
        int hour24;
        const char* hour12;
        const char* suffix;
    };
    const Row rows[] = {
        {0, "12", "am"},  {1, "01", "am"},  {2, "02", "am"},  {3, "03", "am"},  {4, "04", "am"},
        {5, "05", "am"},  {6, "06", "am"},  {7, "07", "am"},  {8, "08", "am"},  {9, "09", "am"},
        {10, "10", "am"}, {11, "11", "am"}, {12, "12", "pm"}, {13, "01", "pm"}, {14, "02", "pm"},
        {15, "03", "pm"}, {16, "04", "pm"}, {17, "05", "pm"}, {18, "06", "pm"}, {19, "07", "pm"},
        {20, "08", "pm"}, {21, "09", "pm"}, {22, "10", "pm"}, {23, "11", "pm"},
    };
    // A PC clock on another day, so that falling back to it shows.
    const std::time_t pcNow = MakeLocalTime(2030, 1, 2, 3, 4, 5);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.hour24);
        const bool pm = std::string(row.suffix) == "pm";
        const TwelveHourClock clock = ToTwelveHourClock(row.hour24);
        EXPECT_EQ(clock.hour, std::stoi(row.hour12));
        EXPECT_EQ(clock.pm, pm);
        EXPECT_EQ(FromTwelveHourClock(std::stoi(row.hour12), pm), row.hour24);

        std::tm local{};
        local.tm_hour = row.hour24;
        local.tm_min = 28;
        EXPECT_EQ(ClockText(local), std::string(row.hour12) + ":28" + row.suffix);

        const auto bcdHour = static_cast<std::uint8_t>((row.hour24 / 10) << 4 | row.hour24 % 10);
        const std::uint8_t stamp[] = {0x26, 0x12, 0x07, bcdHour, 0x30, 0x00};
        const std::string startText = BcdStartText(stamp);
        EXPECT_EQ(startText, "07/12/26 " + std::string(row.hour12) + ":30:00 " + row.suffix);

        char meterTime[32];
        std::snprintf(meterTime, sizeof meterTime, "2026/12/07 %.2d:30:10", row.hour24);
        EXPECT_EQ(MeterTimeText(startText, "00:00:10", pcNow), meterTime);
    }
}
