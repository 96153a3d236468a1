#include "record/LongLogText.h"

#include <charconv>

#include "decode/MeterReading.h"
#include "record/Document.h"

namespace {

// 20000 as "20,000".
std::string WithThousands(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

// A reading as the crossing line shows it.
std::string ValueText(double value) {
    if (value == kOverloadValue) {
        return "OL";
    }
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 10);
    return std::string(text, result.ptr);
}

}  // namespace

std::string RecordingContinuedText(const std::string& full, const std::string& next) {
    return full + " is full (" + WithThousands(CRoZudozuvDoc::kLiveCapacity) +
           " readings): recording continues in " + next;
}

std::string SilentSinceText(std::time_t lastData) {
    return "The meter is silent since " + ClockText(lastData);
}

std::string CrossingText(const std::string& clock, LimitSide side, double value,
                         const std::string& highText, const std::string& lowText) {
    switch (side) {
        case LimitSide::High:
            return clock + " above high " + ValueText(value) + " > " + highText;
        case LimitSide::Low:
            return clock + " below low " + ValueText(value) + " < " + lowText;
        case LimitSide::Within:
            break;
    }
    return clock + " back within limits";
}
