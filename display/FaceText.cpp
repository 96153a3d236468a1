#include "display/FaceText.h"

#include <algorithm>
#include <cmath>

#include "common/CLocaleFormat.h"
#include "decode/Clock.h"
#include "decode/MeterReading.h"

namespace {

std::string Printf(const char* format, double value) {
    return FormatInCLocale(format, value);
}

bool MagnitudeOver(float value, float limit) {
    return std::fabs(value) > limit;
}

}  // namespace

std::string FormatDecimals(double value, int decimals) {
    const int digits = std::clamp(decimals, 0, 9);
    return FormatInCLocale("%.*f", digits, value);
}

std::string NumberOrOverload(bool overloaded, double value, int decimals) {
    return overloaded ? std::string("OL") : FormatDecimals(value, decimals);
}

std::string StandardMainText(const MeterReading& reading) {
    return NumberOrOverload(MagnitudeOver(reading.value, reading.limit), reading.value,
                            reading.decimals);
}

std::string RelativePercentText(float relative, float reference) {
    if (reference == 0.0f) {
        return "0.0";
    }
    return Printf("%.1f", static_cast<double>(relative) * 100.0 / std::fabs(reference));
}

std::string RelativeMainText(const MeterReading& reading) {
    if (reading.firstModeFlag) {
        return RelativePercentText(reading.relative, reading.reference);
    }
    return NumberOrOverload(MagnitudeOver(reading.value, reading.limit), reading.relative,
                            reading.decimals);
}

std::string DcAcMainText(const MeterReading& reading) {
    if (reading.acdcMode == 3) {
        return NumberOrOverload(MagnitudeOver(reading.value, reading.limit), reading.alternateValue,
                                reading.decimals);
    }
    return NumberOrOverload(reading.value > reading.limit, reading.value, reading.decimals);
}

std::string FrequencyMainText(float value) {
    if (value > 100.0f) {
        return Printf("%.2f", value);
    }
    if (value > 10.0f) {
        return Printf("%.3f", value);
    }
    return Printf("%.4f", value);
}

std::string CrestFactorText(const MeterReading& reading) {
    if (reading.value == 0.0f) {
        return "---";
    }
    const double crest = (static_cast<double>(reading.maxValue) - reading.minValue) /
                         (2.0 * static_cast<double>(reading.value));
    return Printf("%.1f", crest);
}

std::string FrequencySecondText(const MeterReading& reading) {
    if (!reading.firstModeFlag) {
        return Printf("%.2f", reading.duty);
    }
    if (reading.value == 0.0f) {
        return "OL";
    }
    const double duty = reading.duty;
    const double frequency = reading.value;
    if (reading.unit == "HZ") {
        return Printf("%.2f", duty * 10.0 / frequency);
    }
    if (reading.unit == "KHZ") {
        return Printf("%.2f", duty / (frequency * 100.0));
    }
    if (reading.unit == "MHZ") {
        return Printf("%.2f", duty / (frequency * 100000.0));
    }
    // The frequency frame always sets one of the three units; any other unit
    // has no known period, so no width is claimed.
    return "---";
}

std::string FrequencySecondUnit(const MeterReading& reading) {
    return reading.firstModeFlag ? "ms" : "%";
}

std::string ClockText(const std::tm& local) {
    const TwelveHourClock clock = ToTwelveHourClock(local.tm_hour);
    return FormatInCLocale("%.2d:%.2d%s", clock.hour, local.tm_min, clock.pm ? "pm" : "am");
}

std::string DateText(const std::tm& local) {
    return FormatInCLocale("%.2d/%.2d/%.2d", local.tm_mday, local.tm_mon + 1,
                           local.tm_year + 1900 - 2000);
}
