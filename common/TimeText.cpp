#include "common/TimeText.h"

#include <cstdio>
#include <string_view>

#include "common/ObData.h"

namespace {

constexpr int kMeterYearOffset = 2000;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where reading the numbers of a pattern stopped, and how many it read.
struct Scan {
    int numbers = 0;
    std::size_t end = 0;
};

// Reads `text` against `pattern` the way scanf reads "%d" patterns: 'N' is a
// number (blanks before it skipped, an optional sign, at least one digit), a
// blank stands for any run of blanks (also none), any other character for
// itself. Stops at the first mismatch; a number beyond nine digits is one.
Scan ScanNumbers(std::string_view text, std::string_view pattern, int* numbers) {
    Scan scan;
    std::size_t& pos = scan.end;
    for (char expected : pattern) {
        if (expected == ' ') {
            while (pos < text.size() && IsBlank(text[pos])) {
                ++pos;
            }
            continue;
        }
        if (expected != 'N') {
            if (pos >= text.size() || text[pos] != expected) {
                return scan;
            }
            ++pos;
            continue;
        }
        std::size_t at = pos;
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        const bool negative = at < text.size() && text[at] == '-';
        if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
            ++at;
        }
        const std::size_t digitsStart = at;
        long value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - digitsStart < 9) {
            value = value * 10 + (text[at] - '0');
            ++at;
        }
        const bool moreDigits = at < text.size() && text[at] >= '0' && text[at] <= '9';
        if (at == digitsStart || moreDigits) {
            return scan;
        }
        numbers[scan.numbers++] = static_cast<int>(negative ? -value : value);
        pos = at;
    }
    return scan;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) {
        return 29;
    }
    return kDays[month - 1];
}

bool IsTimeOfDay(const CalendarTime& c) {
    return c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59 && c.second >= 0 &&
           c.second <= 59;
}

std::string FormatSix(const char* format, int a, int b, int c, int d, int e, int f) {
    char text[80];
    std::snprintf(text, sizeof text, format, a, b, c, d, e, f);
    return text;
}

}  // namespace

std::tm LocalFields(std::time_t t) {
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr) {
        fields = std::tm{};
    }
    return fields;
}

CalendarTime LocalCalendar(std::time_t t) {
    const std::tm f = LocalFields(t);
    return {f.tm_year + 1900, f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec};
}

std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    fields.tm_isdst = -1;
    return std::mktime(&fields);
}

std::optional<std::time_t> LocalMoment(const CalendarTime& c) {
    const std::time_t t = MakeLocalTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
    std::tm local{};
    if (t == static_cast<std::time_t>(-1) || localtime_r(&t, &local) == nullptr) {
        return std::nullopt;
    }
    // mktime moves a day past the month's end and a time in a skipped hour on.
    if (local.tm_mday != c.day || local.tm_hour != c.hour || local.tm_min != c.minute) {
        return std::nullopt;
    }
    return t;
}

TwelveHourClock ToTwelveHourClock(int hour24) {
    if (hour24 < 0 || hour24 > 23) {
        return {hour24, true};
    }
    const int hour = hour24 % 12;
    return {hour == 0 ? 12 : hour, hour24 >= 12};
}

int FromTwelveHourClock(int hour, bool pm) {
    if (hour == 12) {
        return pm ? 12 : 0;
    }
    return pm ? hour + 12 : hour;
}

std::string FormatPcTime(std::time_t t) {
    return FormatPcTime(LocalCalendar(t));
}

std::string FormatPcTime(const CalendarTime& c) {
    return FormatSix("%d/%d/%d %d:%d:%d", c.day, c.month, c.year, c.hour, c.minute, c.second);
}

std::string FormatMeterTime(std::time_t t) {
    const CalendarTime c = LocalCalendar(t);
    return FormatSix("%.2d/%.2d/%.2d %.2d:%.2d:%.2d", c.year, c.month, c.day, c.hour, c.minute,
                     c.second);
}

std::string FormatIsoLocal(std::time_t t) {
    const std::tm local = LocalFields(t);
    const long offsetMinutes = local.tm_gmtoff / 60;
    const long absMinutes = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, offsetMinutes < 0 ? '-' : '+', absMinutes / 60,
                  absMinutes % 60);
    return text;
}

std::string ClockText(std::time_t t) {
    const CalendarTime c = LocalCalendar(t);
    char text[40];
    std::snprintf(text, sizeof text, "%.2d:%.2d:%.2d", c.hour, c.minute, c.second);
    return text;
}

std::string FileStampText(std::time_t t) {
    const CalendarTime c = LocalCalendar(t);
    return FormatSix("%04d%02d%02d-%02d%02d%02d", c.year, c.month, c.day, c.hour, c.minute,
                     c.second);
}

std::optional<CalendarTime> ParseRecordTime(const std::string& text) {
    int n[6];
    const Scan scan = ScanNumbers(text, "N/N/N N:N:N", n);
    if (scan.numbers != 6 || scan.end != text.size()) {
        return std::nullopt;
    }
    CalendarTime c{0, n[1], 0, n[3], n[4], n[5]};
    if (n[0] >= 1000) {
        c.year = n[0];
        c.day = n[2];
    } else if (n[2] >= 1000) {
        c.year = n[2];
        c.day = n[0];
    } else {
        return std::nullopt;
    }
    if (c.year > 9999 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > 31 ||
        !IsTimeOfDay(c)) {
        return std::nullopt;
    }
    return c;
}

std::optional<CalendarTime> ParseMeterDateTime(const std::string& text) {
    int n[6];
    const Scan scan = ScanNumbers(text, "N/N/N N:N:N ", n);
    if (scan.numbers < 6 || n[2] < 0 || n[2] > 99) {
        return std::nullopt;
    }
    // The suffix: up to four characters up to the next blank.
    std::size_t suffixEnd = scan.end;
    while (suffixEnd < text.size() && suffixEnd - scan.end < 4 && !IsBlank(text[suffixEnd])) {
        ++suffixEnd;
    }
    const std::string_view suffix = std::string_view(text).substr(scan.end, suffixEnd - scan.end);
    CalendarTime c{n[2] + kMeterYearOffset, n[1], n[0], n[3], n[4], n[5]};
    if (suffix == "pm" || suffix == "am") {
        c.hour = FromTwelveHourClock(c.hour, suffix == "pm");
    }
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.day > DaysInMonth(c.year, c.month) ||
        !IsTimeOfDay(c)) {
        return std::nullopt;
    }
    return c;
}

std::optional<long> ParseElapsedSeconds(const std::string& text) {
    int n[3];
    if (ScanNumbers(text, "N:N:N", n).numbers != 3 || n[0] < 0 || n[1] < 0 || n[2] < 0) {
        return std::nullopt;
    }
    return static_cast<long>(n[0]) * 3600 + static_cast<long>(n[1]) * 60 + n[2];
}

std::optional<std::time_t> ParseLocalDateTime(const std::string& text) {
    int n[6];
    const Scan scan = ScanNumbers(text, "N-N-N N:N:N", n);
    if (scan.numbers != 6 || scan.end != text.size()) {
        return std::nullopt;
    }
    const CalendarTime c{n[0], n[1], n[2], n[3], n[4], n[5]};
    if (c.year < 1970 || c.month < 1 || c.month > 12 || c.day < 1 || c.day > 31 ||
        !IsTimeOfDay(c)) {
        return std::nullopt;
    }
    const std::time_t t = MakeLocalTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
    if (t == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    return t;
}

std::string IsoLocalTime(const std::string& timeText) {
    const std::optional<CalendarTime> fields = ParseRecordTime(timeText);
    const std::optional<std::time_t> moment = fields ? LocalMoment(*fields) : std::nullopt;
    return moment ? FormatIsoLocal(*moment) : timeText;
}

std::string IsoTimeOf(const CObData& record) {
    const std::optional<std::time_t> moment = record.Time();
    return moment ? FormatIsoLocal(*moment) : IsoLocalTime(record.timeText);
}
