#pragma once

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

// One kept reading. Texts are UTF-8 inside the program; the data file stores
// them as UTF-16 and the spreadsheet export as 8-bit text.
//
// value, unit, sampleRate, sequence, timeText and typeText are what the data
// file stores, kept exactly as it stores them, so a file read and written
// again is the same file. The rest is what was known when the record was
// made. The data file does not store it, so a record read from a file (or a
// crash journal) knows only what the stored fields tell: overload from the
// value, and neither decimals nor a moment (the time module reads the stored
// time text when a moment is asked for, see IsoTimeOf).
//
// A long recording holds many records: what was known fits in the room the
// stored fields leave, and in one more word for the moment.
struct CObData {
    CObData() = default;
    CObData(double value_, std::string unit_, double sampleRate_, std::int32_t sequence_,
            std::string timeText_, std::string typeText_)
        : value(value_),
          unit(std::move(unit_)),
          sampleRate(sampleRate_),
          sequence(sequence_),
          timeText(std::move(timeText_)),
          typeText(std::move(typeText_)) {}

    double value = 0.0;
    std::string unit;
    double sampleRate = 0.0;
    std::int32_t sequence = 0;
    // The value is the overload value because the reading was over its limit.
    bool overload = false;

  private:
    std::int8_t m_decimals = kNoDecimals;
    bool m_hasTime = false;

  public:
    std::string timeText;
    std::string typeText;

    // The decimals the meter showed the value with (live readings); kept
    // within 0..100.
    std::optional<int> Decimals() const {
        return m_decimals == kNoDecimals ? std::nullopt : std::optional<int>(m_decimals);
    }
    void SetDecimals(int decimals) {
        m_decimals = static_cast<std::int8_t>(std::clamp(decimals, 0, 100));
    }

    // The moment timeText names: the PC's clock for live readings and
    // downloads, the meter's clock where a meter-record frame gives it. None
    // for a time of day alone (the companions of a statistics frame).
    std::optional<std::time_t> Time() const {
        return m_hasTime ? std::optional<std::time_t>(m_time) : std::nullopt;
    }
    void SetTime(std::time_t time) {
        m_time = time;
        m_hasTime = true;
    }

    // Records are equal when the data file stores them alike: a record read
    // back from its file equals the one that was saved.
    bool operator==(const CObData& other) const {
        return value == other.value && unit == other.unit && sampleRate == other.sampleRate &&
               sequence == other.sequence && timeText == other.timeText &&
               typeText == other.typeText;
    }

  private:
    static constexpr std::int8_t kNoDecimals = -1;
    std::time_t m_time = 0;
};
