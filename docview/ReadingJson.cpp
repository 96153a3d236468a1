#include "docview/ReadingJson.h"

#include <charconv>
#include <cmath>

#include "common/Json.h"
#include "common/TimeText.h"
#include "decode/MeterReading.h"

namespace {

// "%.9g" without depending on the process locale.
std::string ValueText(double value) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    return std::string(text, result.ptr);
}

std::string LimitMember(LimitSide side) {
    switch (side) {
        case LimitSide::High:
            return ",\"limit\":\"high\"";
        case LimitSide::Low:
            return ",\"limit\":\"low\"";
        case LimitSide::Within:
            break;
    }
    return "";
}

}  // namespace

std::string ReadingJson(std::size_t seq, const CObData& record, LimitSide side) {
    const bool overload = record.value == kOverloadValue;
    const bool number = !overload && std::isfinite(record.value);
    return "{\"seq\":" + std::to_string(seq) + ",\"time\":" + JsonString(IsoTimeOf(record)) +
           ",\"value\":" + (number ? ValueText(record.value) : std::string("null")) +
           ",\"unit\":" + JsonString(record.unit) + ",\"type\":" + JsonString(record.typeText) +
           ",\"overload\":" + (overload ? "true" : "false") + LimitMember(side) + "}";
}
