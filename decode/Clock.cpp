#include "decode/Clock.h"

#include <cstdio>

std::tm LocalFields(std::time_t t) {
    std::tm fields{};
    if (localtime_r(&t, &fields) == nullptr) {
        fields = std::tm{};
    }
    return fields;
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
    const std::tm f = LocalFields(t);
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%d %d:%d:%d", f.tm_mday, f.tm_mon + 1, f.tm_year + 1900,
                  f.tm_hour, f.tm_min, f.tm_sec);
    return text;
}
