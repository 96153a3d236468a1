#pragma once

#include <cstdint>
#include <string>

#include "common/TimeText.h"

// The meter sends times and dates as packed BCD, one byte per two-digit field;
// printing each byte as two hex digits shows its decimal digits.

// "hh:mm:ss" of three bytes in order.
std::string BcdTimeText(const std::uint8_t* bytes);

// The meter's start stamp d0..d5 (year, month, day, hour, minute, second) as
// "dd/mm/yy hh:mm:ss am" or "... pm" on the 12-hour clock: hour 00 is
// "12:.. am", 12 is "12:.. pm", 13 is "01:.. pm".
std::string BcdStartText(const std::uint8_t* bytes);

// The download header's start text "dd/mm/yy hh:mm:ss" of the bytes year,
// month, day, hour, minute, second (24-hour, no suffix).
std::string BcdDateTimeText(const std::uint8_t* bytes);

// The same bytes as the date and time they stand for (year 20yy); a nibble
// above 9 counts at face value, as in every BCD field.
CalendarTime BcdDateTime(const std::uint8_t* bytes);
