#include "record/LimitWatcher.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "decode/MeterReading.h"
#include "record/Document.h"

namespace {

constexpr int kCrossingChannel = 2;

}  // namespace

LimitSide SideOfLimits(const Limits& limits, double value) {
    if (value == kOverloadValue) {
        return limits.high ? LimitSide::High : LimitSide::Within;
    }
    if (limits.high && value > *limits.high) {
        return LimitSide::High;
    }
    if (limits.low && value < *limits.low) {
        return LimitSide::Low;
    }
    return LimitSide::Within;
}

const char* LimitRemark(LimitSide side) {
    switch (side) {
        case LimitSide::High:
            return "High";
        case LimitSide::Low:
            return "Low";
        case LimitSide::Within:
            break;
    }
    return "";
}

void CLimitWatcher::SetLimits(const Limits& limits) {
    m_limits = limits;
    m_side = LimitSide::Within;
}

CLimitWatcher::Step CLimitWatcher::Watch(double value) {
    Step step;
    step.side = SideOfLimits(m_limits, value);
    step.crossed = step.side != m_side;
    m_side = step.side;
    if (step.crossed && step.side == LimitSide::High) {
        ++m_nAboveHigh;
    } else if (step.crossed && step.side == LimitSide::Low) {
        ++m_nBelowLow;
    }
    return step;
}

void KeepCrossing(CRoZudozuvDoc& document, const CObData& reading, LimitSide side) {
    if (side == LimitSide::Within) {
        return;
    }
    CObData crossing = reading;
    crossing.typeText = LimitRemark(side);
    document.AppendRecord(kCrossingChannel, crossing);
}

std::string RemarkOfRow(const CRoZudozuvDoc& document, std::int32_t sequence) {
    // Channel 2 of a file from elsewhere may hold anything: only the crossings
    // this program keeps give a remark.
    const std::vector<CObData>& crossings = document.channels[kCrossingChannel];
    const auto found = std::find_if(crossings.begin(), crossings.end(), [&](const CObData& c) {
        return c.sequence == sequence && (c.typeText == LimitRemark(LimitSide::High) ||
                                          c.typeText == LimitRemark(LimitSide::Low));
    });
    return found == crossings.end() ? std::string() : found->typeText;
}

std::string ExcursionText(const Limits& limits, std::size_t aboveHigh, std::size_t belowLow) {
    std::string text;
    if (limits.high) {
        text += "Above high: " + std::to_string(aboveHigh) + "\r\n\r\n";
    }
    if (limits.low) {
        text += "Below low: " + std::to_string(belowLow) + "\r\n\r\n";
    }
    return text;
}

std::optional<double> ParseLimitText(const std::string& text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const char* begin = text.data() + (text.starts_with('+') ? 1 : 0);
    const auto result = std::from_chars(begin, end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}
