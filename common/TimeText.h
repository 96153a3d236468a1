#pragma once
// The one place that turns moments into the program's time texts and reads
// those texts back. Every text is in local time.
#include <ctime>
#include <optional>
#include <string>

struct CObData;

// A date and a time of day as the six numbers a clock shows.
struct CalendarTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const CalendarTime&) const = default;
};

// Local calendar fields of t (0 on failure, never throws).
std::tm LocalFields(std::time_t t);
CalendarTime LocalCalendar(std::time_t t);

// Local time from calendar fields; daylight saving is left to the system's
// rules, and fields out of range are carried over as mktime does.
std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

// The moment a local clock shows `c`, or nothing when it shows it never: a day
// past the month's end (31/4), a time in the hour a clock skips forward.
std::optional<std::time_t> LocalMoment(const CalendarTime& c);

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

// --- writing ------------------------------------------------------------------

// The PC clock's time text, as records, the summary and the printouts keep it:
// "d/m/yyyy h:m:s" with no leading zeros, e.g. "3/5/2018 9:7:5".
std::string FormatPcTime(std::time_t t);
std::string FormatPcTime(const CalendarTime& c);

// The meter's clock: "yyyy/mm/dd hh:mm:ss".
std::string FormatMeterTime(std::time_t t);

// ISO 8601 with the local offset: "2018-05-03T09:07:05+02:00".
std::string FormatIsoLocal(std::time_t t);

// The time of day "hh:mm:ss" (24-hour clock).
std::string ClockText(std::time_t t);

// A stamp for file names that sorts by time: "yyyymmdd-hhmmss".
std::string FileStampText(std::time_t t);

// --- reading ------------------------------------------------------------------

// A record's time text as the data file stores it: six numbers "a/b/c d:e:f"
// and nothing else. A four-digit first number is the meter clock's year
// ("yyyy/m/d h:m:s"), a four-digit third one the PC clock's ("d/m/yyyy
// h:m:s"). Nothing when the numbers form no date and time of day.
std::optional<CalendarTime> ParseRecordTime(const std::string& text);

// The meter's start date-time, as the decoders print it: "dd/mm/yy hh:mm:ss
// am" or "... pm" (two-digit year of 20yy, 12-hour clock: "12:.. am" is 0 h,
// "12:.. pm" is 12 h). Without a suffix the hour is read as 0..23. Nothing
// when the text does not hold six numbers forming a calendar date and a time
// of day.
std::optional<CalendarTime> ParseMeterDateTime(const std::string& text);

// An elapsed time "hh:mm:ss" in seconds; nothing when it does not read as
// three non-negative numbers.
std::optional<long> ParseElapsedSeconds(const std::string& text);

// A local time typed by the user, "YYYY-MM-DD HH:MM:SS" and nothing else (from
// 1970 on); nothing when it names no moment.
std::optional<std::time_t> ParseLocalDateTime(const std::string& text);

// --- records ------------------------------------------------------------------

// A record's time text in ISO 8601, or the text as it is when it names no
// moment of the local clock.
std::string IsoLocalTime(const std::string& timeText);

// The record's moment in ISO 8601. A record made by this program knows its
// moment; one read from a file is judged by its stored text (IsoLocalTime).
std::string IsoTimeOf(const CObData& record);
