#include "decode/BcdText.h"

#include <cstdio>

namespace {

// The two digits of a BCD byte read as a decimal number (nibbles above 9
// are taken at face value, so a malformed byte still gives a number).
int BcdToNumber(std::uint8_t bcd) {
    return (bcd >> 4) * 10 + (bcd & 0x0F);
}

std::uint8_t NumberToBcd(int number) {
    return static_cast<std::uint8_t>(((number / 10) << 4) | (number % 10));
}

}  // namespace

std::string BcdTimeText(const std::uint8_t* bytes) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2x:%.2x:%.2x", bytes[0], bytes[1], bytes[2]);
    return text;
}

std::string BcdStartText(const std::uint8_t* bytes) {
    const std::uint8_t year = bytes[0];
    const std::uint8_t month = bytes[1];
    const std::uint8_t day = bytes[2];
    std::uint8_t hour = bytes[3];
    const char* suffix = "am";
    const int hours = BcdToNumber(hour);
    if (hours > 12) {
        hour = NumberToBcd(hours - 12);
        suffix = "pm";
    }
    char text[40];
    std::snprintf(text, sizeof text, "%.2x/%.2x/%.2x %.2x:%.2x:%.2x %s", day, month, year, hour,
                  bytes[4], bytes[5], suffix);
    return text;
}

std::string BcdDateTimeText(const std::uint8_t* bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2x/%.2x/%.2x %.2x:%.2x:%.2x", bytes[2], bytes[1], bytes[0],
                  bytes[3], bytes[4], bytes[5]);
    return text;
}
