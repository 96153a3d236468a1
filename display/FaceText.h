#pragma once

#include <ctime>
#include <string>

struct MeterReading;

// The texts the LCD shows, as pure functions of the reading and the clock.

// A number with d digits after the point ("%.3f" for 3). Digit counts outside
// 0..9 (a damaged range byte) are clamped so the format stays valid.
std::string FormatDecimals(double value, int decimals);

// "OL" when the tested quantity is beyond the limit, else the formatted number.
std::string NumberOrOverload(bool overloaded, double value, int decimals);

// Main text of faces 1, 2, 4 and 6: the value, or "OL" when its magnitude
// exceeds the limit.
std::string StandardMainText(const MeterReading& reading);

// Main text of face 3: the percentage when the first mode flag is set, else
// the relative value ("OL" when the magnitude of the value exceeds the limit).
std::string RelativeMainText(const MeterReading& reading);

// "%.1f" of relative x 100 / |reference|, "0.0" when the reference is zero.
std::string RelativePercentText(float relative, float reference);

// Main text of face 5: in mode 3 the alternate value (magnitude test on the
// value), otherwise the value itself with a signed test.
std::string DcAcMainText(const MeterReading& reading);

// Main text of face 7: two, three or four decimals depending on the size.
std::string FrequencyMainText(float value);

// Crest factor of face 4: (max - min) / (2 x value), "---" for a zero value.
std::string CrestFactorText(const MeterReading& reading);

// Number on the second line of face 7: duty "%.2f", or in pulse-width mode the
// width in ms ("OL" for a zero frequency).
std::string FrequencySecondText(const MeterReading& reading);
// Unit after it: "%" or "ms".
std::string FrequencySecondUnit(const MeterReading& reading);

// Clock box on the 12-hour clock: "12:05am" just after midnight, "09:30am",
// "12:28pm" at noon, "01:05pm".
std::string ClockText(const std::tm& local);
// Date box: "%.2d/%.2d/%.2d" of day, month, year - 2000.
std::string DateText(const std::tm& local);
