#include "decode/BcdText.h"

#include <initializer_list>

#include "common/TimeText.h"

namespace {

// The two digits of a BCD byte read as a decimal number (nibbles above 9
// are taken at face value, so a malformed byte still gives a number).
int BcdToNumber(std::uint8_t bcd) {
    return (bcd >> 4) * 10 + (bcd & 0x0F);
}

std::uint8_t NumberToBcd(int number) {
    return static_cast<std::uint8_t>(((number / 10) << 4) | (number % 10));
}

// The byte as two lower-case hex digits, as "%.2x" prints it.
void AppendHexByte(std::string& text, std::uint8_t byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0x0F];
}

// Bytes as two hex digits each, joined by the separators: separators[i]
// follows byte i.
std::string JoinHexBytes(std::initializer_list<std::uint8_t> bytes, const char* separators) {
    std::string text;
    text.reserve(24);
    for (std::uint8_t byte : bytes) {
        AppendHexByte(text, byte);
        if (*separators != '\0') {
            text += *separators++;
        }
    }
    return text;
}

}  // namespace

std::string BcdTimeText(const std::uint8_t* bytes) {
    return JoinHexBytes({bytes[0], bytes[1], bytes[2]}, "::");
}

std::string BcdStartText(const std::uint8_t* bytes) {
    const std::uint8_t year = bytes[0];
    const std::uint8_t month = bytes[1];
    const std::uint8_t day = bytes[2];
    const int hours = BcdToNumber(bytes[3]);
    const TwelveHourClock clock = ToTwelveHourClock(hours);
    // Hours the 12-hour clock keeps (1..11, and any beyond the day) print as received.
    const std::uint8_t hour = clock.hour == hours ? bytes[3] : NumberToBcd(clock.hour);
    return JoinHexBytes({day, month, year, hour, bytes[4], bytes[5]}, "// :: ") +
           (clock.pm ? "pm" : "am");
}

CalendarTime BcdDateTime(const std::uint8_t* bytes) {
    return {2000 + BcdToNumber(bytes[0]), BcdToNumber(bytes[1]), BcdToNumber(bytes[2]),
            BcdToNumber(bytes[3]),        BcdToNumber(bytes[4]), BcdToNumber(bytes[5])};
}

std::string BcdDateTimeText(const std::uint8_t* bytes) {
    return JoinHexBytes({bytes[2], bytes[1], bytes[0], bytes[3], bytes[4], bytes[5]}, "// ::");
}
