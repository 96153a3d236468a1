#pragma once

// High and low limits on the live readings of a recording: which side of its
// limits a reading lies on, when a reading crosses them (a change of side, not
// every reading outside), and how the crossings are kept in a document.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/ObData.h"

class CRoZudozuvDoc;

// Each limit is optional; a reading equal to a limit is within it.
struct Limits {
    std::optional<double> high;
    std::optional<double> low;

    bool Any() const { return high.has_value() || low.has_value(); }
    bool operator==(const Limits&) const = default;
};

enum class LimitSide { Within, High, Low };

// The side of `limits` that `value` lies on. The overload value counts as
// above high when a high limit is set, and as within otherwise.
LimitSide SideOfLimits(const Limits& limits, double value);

// "High", "Low", or "" for within: the Remark of a row that crossed a limit.
const char* LimitRemark(LimitSide side);

// Watches the readings of one recording, in order.
class CLimitWatcher {
  public:
    struct Step {
        LimitSide side = LimitSide::Within;
        bool crossed = false;  // the side differs from the reading before
    };

    explicit CLimitWatcher(Limits limits = {}) : m_limits(limits) {}

    const Limits& GetLimits() const { return m_limits; }
    // New limits; the next reading outside them counts as a crossing.
    void SetLimits(const Limits& limits);

    // The limits and the side of `before`, whose recording this one continues;
    // the excursions are counted afresh.
    void ContinueFrom(const CLimitWatcher& before) {
        m_limits = before.m_limits;
        m_side = before.m_side;
    }

    Step Watch(double value);

    // Excursions so far: crossings above high and below low.
    std::size_t AboveHigh() const { return m_nAboveHigh; }
    std::size_t BelowLow() const { return m_nBelowLow; }

  private:
    Limits m_limits;
    LimitSide m_side = LimitSide::Within;
    std::size_t m_nAboveHigh = 0;
    std::size_t m_nBelowLow = 0;
};

// A crossing is kept in the document's channel 2, which holds nothing else:
// one record per crossing above high or below low, a copy of the reading
// with its row (its channel-0 sequence) and "High" or "Low" as type text.
// A recording without crossings keeps channel 2 empty, so its file keeps the
// bytes it has always had.
void KeepCrossing(CRoZudozuvDoc& document, const CObData& reading, LimitSide side);

// The Remark of the channel-0 row `sequence`: "High", "Low" or "" (also for
// anything else a file from elsewhere keeps in channel 2).
std::string RemarkOfRow(const CRoZudozuvDoc& document, std::int32_t sequence);

// A limit as typed: a finite number in the C locale's form ("5", "-0.25",
// "1e3"); nullopt otherwise.
std::optional<double> ParseLimitText(const std::string& text);

// The summary's excursion lines, "Above high: 3\r\n\r\nBelow low: 0\r\n\r\n",
// each only for a limit that is set.
std::string ExcursionText(const Limits& limits, std::size_t aboveHigh, std::size_t belowLow);
