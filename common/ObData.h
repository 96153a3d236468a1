#pragma once

#include <cstdint>
#include <string>

// One kept reading. Texts are UTF-8 inside the program; the data file stores
// them as UTF-16 and the spreadsheet export as 8-bit text.
struct CObData {
    double value = 0.0;
    std::string unit;
    double sampleRate = 0.0;
    std::int32_t sequence = 0;
    std::string timeText;
    std::string typeText;

    bool operator==(const CObData&) const = default;
};
