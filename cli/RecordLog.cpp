#include "cli/RecordLog.h"

#include <charconv>
#include <cmath>

#include "decode/MeterReading.h"

namespace {

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

std::string RolledFileName(const std::string& first, std::size_t part) {
    if (part <= 1) {
        return first;
    }
    const std::size_t nameStart = first.find_last_of('/') + 1;  // npos + 1 is 0
    std::size_t dot = first.find_last_of('.');
    // A dot that starts the name (".log") or lies in a folder is no extension.
    if (dot == std::string::npos || dot <= nameStart) {
        dot = first.size();
    }
    return first.substr(0, dot) + "-" + std::to_string(part) + first.substr(dot);
}

std::optional<double> ParseNumber(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string CrossingText(const std::string& clock, LimitSide side, double value,
                         const LimitOptions& options) {
    switch (side) {
        case LimitSide::High:
            return clock + " above high " + ValueText(value) + " > " + options.highText;
        case LimitSide::Low:
            return clock + " below low " + ValueText(value) + " < " + options.lowText;
        case LimitSide::Within:
            break;
    }
    return clock + " back within limits";
}
