#pragma once

#include <ctime>
#include <string>

// The one source of "now" for every time text, so tests and the CLI can freeze it.
class IClock {
  public:
    virtual ~IClock() = default;
    virtual std::time_t Now() const = 0;
};

class SystemClock : public IClock {
  public:
    std::time_t Now() const override { return std::time(nullptr); }
};

class FixedClock : public IClock {
  public:
    explicit FixedClock(std::time_t t) : m_t(t) {}
    std::time_t Now() const override { return m_t; }
    void Set(std::time_t t) { m_t = t; }
    void Advance(long seconds) { m_t += seconds; }

  private:
    std::time_t m_t;
};

// Local calendar fields of t (0 on failure, never throws).
std::tm LocalFields(std::time_t t);

// Local time from calendar fields; daylight saving is left to the system's rules.
std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

// An hour as the 12-hour clock shows it: 1..12 with am or pm.
struct TwelveHourClock {
    int hour = 12;
    bool pm = false;
};

// Hour 0..23 on the 12-hour clock: 0 is 12 am, 1..11 am, 12 is 12 pm, 13..23
// are 1..11 pm. An hour outside 0..23 is kept as it is, with pm, so that
// reading it back still gives no time of day.
TwelveHourClock ToTwelveHourClock(int hour24);

// The 12-hour clock back to 0..23: 12 am is 0, 12 pm is 12, other pm hours
// gain 12.
int FromTwelveHourClock(int hour, bool pm);

// The PC clock's time text: "%d/%d/%d %d:%d:%d" (day, month, year, hour, minute,
// second, no leading zeros), e.g. "3/5/2018 9:7:5".
std::string FormatPcTime(std::time_t t);
