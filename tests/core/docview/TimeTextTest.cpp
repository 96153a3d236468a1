// The time texts: every text the program writes reads back as the moment it
// was written from, and the texts a data file may hold give the ISO 8601 time
// of the local clock, or stay as they are.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <string>

#include "common/ObData.h"
#include "common/TimeText.h"
#include "decode/BcdText.h"

namespace {

// Sets TZ for one test and puts the old one back.
class ZoneGuard {
  public:
    explicit ZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            m_old = old;
        }
        Use(zone);
    }
    ~ZoneGuard() { m_old ? Use(m_old->c_str()) : (unsetenv("TZ"), tzset()); }

  private:
    static void Use(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    std::optional<std::string> m_old;
};

std::uint8_t Bcd(int n) {
    return static_cast<std::uint8_t>((n / 10) << 4 | n % 10);
}

}  // namespace

TEST(TimeText, EveryWrittenTextReadsBackAsItsMoment) {
    // A zone with a half-hour offset, so the ISO offset is never "+00:00".
    ZoneGuard zone("XST-05:30");
    std::mt19937_64 random(17);
    // 1970 to 2100, and the meter's century for its two-digit years.
    std::uniform_int_distribution<std::time_t> anyTime(0, 4102444799);
    for (int i = 0; i < 2000; ++i) {
        const std::time_t t = anyTime(random);
        SCOPED_TRACE(std::to_string(t));
        const CalendarTime c = LocalCalendar(t);
        const std::string iso = FormatIsoLocal(t);

        EXPECT_EQ(LocalMoment(c), t);
        EXPECT_EQ(ParseRecordTime(FormatPcTime(t)), c);
        EXPECT_EQ(ParseRecordTime(FormatMeterTime(t)), c);
        EXPECT_EQ(IsoLocalTime(FormatPcTime(t)), iso);
        EXPECT_EQ(IsoLocalTime(FormatMeterTime(t)), iso);
        EXPECT_EQ(iso.substr(19), "+05:30");
        EXPECT_EQ(ParseLocalDateTime(iso.substr(0, 10) + " " + iso.substr(11, 8)), t);
        EXPECT_EQ(ClockText(t), iso.substr(11, 8));
        EXPECT_EQ(FileStampText(t), iso.substr(0, 4) + iso.substr(5, 2) + iso.substr(8, 2) + "-" +
                                        iso.substr(11, 2) + iso.substr(14, 2) + iso.substr(17, 2));

        // A record that knows its moment and one read back from its text agree.
        CObData made{1.0, "V", 0.0, 0, FormatPcTime(t), "VDC"};
        made.SetTime(t);
        const CObData read{1.0, "V", 0.0, 0, FormatPcTime(t), "VDC"};
        EXPECT_EQ(IsoTimeOf(made), IsoTimeOf(read));

        if (c.year >= 2000 && c.year <= 2099) {
            const std::uint8_t stamp[] = {Bcd(c.year - 2000), Bcd(c.month),  Bcd(c.day),
                                          Bcd(c.hour),        Bcd(c.minute), Bcd(c.second)};
            EXPECT_EQ(BcdDateTime(stamp), c);
            EXPECT_EQ(ParseMeterDateTime(BcdStartText(stamp)), c);
        }
    }
}

TEST(TimeText, StoredTextsGiveTheLocalClocksIsoTimeOrStayAsTheyAre) {
    // Both daylight-saving changes of 2018.
    ZoneGuard zone("Europe/Berlin");
    const struct {
        const char* text;
        const char* iso;  // nullptr: the text stays as it is
    } rows[] = {
        {"25/3/2018 1:59:59", "2018-03-25T01:59:59+01:00"},    // the last second of winter time
        {"25/3/2018 3:0:0", "2018-03-25T03:00:00+02:00"},      // the first of summer time
        {"25/3/2018 2:30:0", nullptr},                         // the hour the clock skips
        {"2018/07/01 12:00:00", "2018-07-01T12:00:00+02:00"},  // the meter's clock
        {"2018/10/28 03:30:00", "2018-10-28T03:30:00+01:00"},
        {"29/2/2020 23:59:59", "2020-02-29T23:59:59+01:00"},
        {"03/05/2018 09:07:05", "2018-05-03T09:07:05+02:00"},  // leading zeros
        {"3/5/2018  9:7:5", "2018-05-03T09:07:05+02:00"},      // any run of blanks
        {"31/4/2018 1:2:3", nullptr},                          // no 31 April
        {"29/2/2019 0:0:0", nullptr},
        {"3/5/18 9:7:5", nullptr},  // no four-digit year
        {"3/13/2018 9:7:5", nullptr},
        {"3/5/2018 24:0:0", nullptr},
        {"3/5/2018 9:60:0", nullptr},
        {"3/5/10000 9:7:5", nullptr},
        {"3/5/2018 9:7:5 ", nullptr},  // trailing text
        {"3/5/2018 9:7", nullptr},
        {"00:12:34", nullptr},  // an elapsed time
        {"3/5/2018 9:7:99999999999", nullptr},
        {"", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(IsoLocalTime(row.text), row.iso ? row.iso : row.text);
    }
}
