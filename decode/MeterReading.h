#pragma once

#include <string>

// The reading the meter shows, as the decoders leave it. Texts are UTF-8
// ("KΩ", "℃"). A field a frame kind does not carry keeps the value an earlier
// frame left in it, so the record is always copied whole.
struct MeterReading {
    std::string function;
    bool hold = false;
    bool autoRange = false;
    float limit = 0.0f;
    float value = 0.0f;
    std::string unit;
    int decimals = 0;
    float maxValue = 0.0f;
    std::string maxUnit;
    int maxDecimals = 0;
    std::string maxTime;
    float minValue = 0.0f;
    std::string minUnit;
    int minDecimals = 0;
    std::string minTime;
    float avgValue = 0.0f;
    std::string avgUnit;
    int avgDecimals = 0;
    std::string avgTime;
    std::string startText;
    float reference = 0.0f;
    float relative = 0.0f;
    float alternateValue = 0.0f;
    std::string alternateText;
    float secondValue = 0.0f;
    std::string secondUnit;
    int acdcMode = 0;
    float auxValue = 0.0f;
    std::string auxText;
    float duty = 0.0f;
    bool firstModeFlag = false;
    bool secondModeFlag = false;
};

// Overload value: a reading above its meter's limit is kept as this and listed as "OL".
inline constexpr double kOverloadValue = 500000.0;
