#pragma once

#include <string>
#include <string_view>

// The unit labels the LCD can show, one picture per row. The meter's unit text
// is looked up by label; some rows are only reachable through the low-pass and
// plain-"V" rules of the faces.
inline constexpr int kUnitPictureRows = 38;

struct UnitPictureRow {
    std::string_view label;  // compared with the reading's unit text (UTF-8)
    std::string_view file;   // artwork name without extension, e.g. "unit_vac_lowpass"
    int width;               // 57, or 64 for the combined "dc+ac" labels
};

inline constexpr int kUnitPictureHeight = 25;

// Row r of the table (0 <= r < kUnitPictureRows).
const UnitPictureRow& UnitPicture(int row);

// First row whose label equals the unit text, or -1.
int FindUnitRow(std::string_view unit);

// The low-pass variant of a row: the row after it when that row repeats the
// label (VAC, MHZ, KHZ, HZ); every other row has no such variant and stays.
int LowPassRow(int row);

// Rows of the two "V" pictures: the diode V the lookup finds first, and the
// plain V the relative face shows instead.
inline constexpr int kDiodeVoltRow = 23;
inline constexpr int kPlainVoltRow = 35;
