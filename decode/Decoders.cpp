// The seven frame decoders. Each fills the fields its frame kind carries into
// m_reading (the others keep what earlier frames left) and then runs the
// shared finish: dial position, face, and live dispatch or meter record.
#include <algorithm>
#include <array>
#include <string>

#include "decode/BcdText.h"
#include "decode/FunctionNames.h"
#include "decode/HexText.h"
#include "decode/ReceiveEngine.h"

namespace {

constexpr float kKilo = 1000.0f;
constexpr float kMega = 1000000.0f;

// The bytes of one frame, read from its hex text once. Offsets are byte
// offsets in the frame; bytes beyond the text read as 0.
class FrameBytes {
  public:
    explicit FrameBytes(const std::string& frame) {
        const std::size_t count = std::min(m_bytes.size(), (frame.size() + 1) / 2);
        const bool allHex =
            std::all_of(frame.begin(), frame.end(), [](char c) { return HexDigitValue(c) >= 0; });
        for (std::size_t i = 0; i < count; ++i) {
            // The accumulator only ever holds hex digits; other callers may not.
            m_bytes[i] = allHex && 2 * i + 1 < frame.size() ? ValidHexPair(&frame[2 * i])
                                                            : HexByteAt(frame, 2 * i);
        }
    }

    std::uint8_t Byte(int offset) const { return m_bytes[static_cast<std::size_t>(offset)]; }
    const std::uint8_t* At(int offset) const { return &m_bytes[static_cast<std::size_t>(offset)]; }
    float Float(int offset) const { return LittleEndianFloat(At(offset)); }
    // A unit text: four characters, trimmed.
    std::string Unit(int offset) const { return FieldText(At(offset), 4, true); }

  private:
    std::array<std::uint8_t, 64> m_bytes{};
};

void ApplyStatus(MeterReading& r, std::uint8_t status) {
    r.hold = (status & 0x01) != 0;
    r.autoRange = (status & 0x02) == 0;
    r.firstModeFlag = (status & 0x04) != 0;
    r.secondModeFlag = (status & 0x08) != 0;
}

// Kinds 1 and 3 pack four decimals into one range byte, two bits each.
void ApplyPackedDecimals(MeterReading& r, std::uint8_t range) {
    r.decimals = 5 - (range & 3);
    r.maxDecimals = 5 - ((range >> 2) & 3);
    r.minDecimals = 5 - ((range >> 4) & 3);
    r.avgDecimals = 5 - ((range >> 6) & 3);
}

// Kinds 1 and 3 open alike: function, status, the main value, maximum,
// minimum and average, and the limit, at bytes 2 to 23.
void ReadStatisticsValues(const FrameBytes& b, MeterReading& r) {
    r.function = FunctionName(b.Byte(2));
    ApplyStatus(r, b.Byte(3));
    r.value = b.Float(4);
    r.maxValue = b.Float(8);
    r.minValue = b.Float(12);
    r.avgValue = b.Float(16);
    r.limit = b.Float(20);
}

// Kinds 1 and 3 close alike: the elapsed times of the maximum, minimum and
// average, then the meter's start stamp, from byte `offset` on.
void ReadStatisticsTimes(const FrameBytes& b, int offset, MeterReading& r) {
    r.maxTime = BcdTimeText(b.At(offset));
    r.minTime = BcdTimeText(b.At(offset + 3));
    r.avgTime = BcdTimeText(b.At(offset + 6));
    r.startText = BcdStartText(b.At(offset + 9));
}

// "s" and "h" name degrees Celsius and Fahrenheit: renames the unit and
// returns true when it was a temperature.
bool ConvertTemperature(std::string& unit) {
    if (unit == "s") {
        unit = "℃";
    } else if (unit == "h") {
        unit = "℉";
    } else {
        return false;
    }
    return true;
}

// "o", "ko" and "Mo" name ohms, kilo-ohms and mega-ohms: renames the unit and
// returns the divisor for its values (1 when the unit is no resistance).
float ConvertResistance(std::string& unit) {
    if (unit == "o") {
        unit = "Ω";
    } else if (unit == "ko") {
        unit = "KΩ";
        return kKilo;
    } else if (unit == "Mo") {
        unit = "MΩ";
        return kMega;
    }
    return 1.0f;
}

// Divisor for a value in "kHZ" or "MHZ" (1 for any other unit).
float FrequencyDivisor(const std::string& unit) {
    if (unit == "kHZ") {
        return kKilo;
    }
    if (unit == "MHZ") {
        return kMega;
    }
    return 1.0f;
}

}  // namespace

void CReceiveEngine::DecodePlainFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    r.function = FunctionName(b.Byte(2));
    ApplyStatus(r, b.Byte(3));
    r.value = b.Float(4);
    r.limit = b.Float(8);
    r.unit = b.Unit(12);
    r.decimals = 5 - b.Byte(16);

    // Unit texts are compared whole, so at most one rule applies.
    ConvertTemperature(r.unit);
    const float divisor = ConvertResistance(r.unit);
    r.value /= divisor;
    r.limit /= divisor;
    if (r.unit == "VE") {
        r.unit = "V";
    } else if (r.unit == "uF") {
        r.value /= kKilo;
        r.limit /= kKilo;
        r.decimals -= 1;
    } else if (r.unit == "mF") {
        r.value /= kMega;
        r.limit /= kMega;
        r.decimals -= 1;
    } else if (r.unit == "nF") {
        r.decimals -= 1;
    } else if (r.unit == "o@") {
        r.unit = "Ω";
    }
    FinishDecode(frame, FrameKind::Plain, MeterRecordMode::Plain);
}

void CReceiveEngine::DecodeMinMaxFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    ReadStatisticsValues(b, r);
    ApplyPackedDecimals(r, b.Byte(24));
    r.unit = b.Unit(25);
    r.maxUnit = b.Unit(29);
    r.minUnit = b.Unit(33);
    r.avgUnit = b.Unit(37);
    ReadStatisticsTimes(b, 41, r);

    // Temperatures: the companion groups take the main unit.
    if (ConvertTemperature(r.unit)) {
        r.maxUnit = r.minUnit = r.avgUnit = r.unit;
    }

    // Resistances, each group on its own; the limit follows the main value.
    const float divisor = ConvertResistance(r.unit);
    r.value /= divisor;
    r.limit /= divisor;
    r.maxValue /= ConvertResistance(r.maxUnit);
    r.minValue /= ConvertResistance(r.minUnit);
    r.avgValue /= ConvertResistance(r.avgUnit);

    // Frequencies: the unit text stays, the function becomes "HZ".
    if (r.unit == "HZ") {
        r.function = "HZ";
    } else if (r.unit == "kHZ") {
        r.value /= kKilo;
        r.limit /= kKilo;
        r.function = "HZ";
    } else if (r.unit == "MHZ") {
        r.value /= kMega;
        r.limit /= kMega;
        r.function = "HZ";
    }
    r.maxValue /= FrequencyDivisor(r.maxUnit);
    r.minValue /= FrequencyDivisor(r.minUnit);
    r.avgValue /= FrequencyDivisor(r.avgUnit);

    FinishDecode(frame, FrameKind::MinMax, MeterRecordMode::MinMax);
}

void CReceiveEngine::DecodeAuxFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    r.function = FunctionName(b.Byte(2));
    ApplyStatus(r, b.Byte(3));
    r.autoRange = false;
    r.value = b.Float(4);
    r.reference = b.Float(8);
    r.relative = b.Float(12);
    r.limit = b.Float(16);
    r.unit = b.Unit(20);

    auto divideAll = [&r](float divisor) {
        r.value /= divisor;
        r.limit /= divisor;
        r.reference /= divisor;
        r.relative /= divisor;
    };
    // Unit texts are compared whole, so at most one rule applies. A
    // resistance scales the value and the limit, not the reference values.
    ConvertTemperature(r.unit);
    const float divisor = ConvertResistance(r.unit);
    r.value /= divisor;
    r.limit /= divisor;
    if (r.unit == "HZ") {
        r.function = "HZ";
    } else if (r.unit == "kHZ") {
        r.unit = "KHZ";
        r.function = "HZ";
        divideAll(kKilo);
    } else if (r.unit == "MHZ") {
        r.function = "HZ";
        divideAll(kMega);
    } else if (r.unit == "uF") {
        divideAll(kKilo);
    } else if (r.unit == "mF") {
        divideAll(kMega);
    }
    r.decimals = 5 - b.Byte(24);
    FinishDecode(frame, FrameKind::Aux, MeterRecordMode::Relative);
}

void CReceiveEngine::DecodePeakFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    ReadStatisticsValues(b, r);
    r.unit = b.Unit(24);
    r.maxUnit = r.minUnit = r.avgUnit = r.unit;
    ApplyPackedDecimals(r, b.Byte(28));
    if (r.decimals == 5) {
        r.decimals = 1;
    }
    ReadStatisticsTimes(b, 29, r);
    FinishDecode(frame, FrameKind::Peak,
                 r.firstModeFlag ? MeterRecordMode::PeakCrest : MeterRecordMode::Peak);
}

void CReceiveEngine::DecodeAcDcFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    r.function = FunctionName(b.Byte(2));
    ApplyStatus(r, b.Byte(3));
    r.alternateValue = b.Float(4);
    r.secondValue = b.Float(8);
    r.value = b.Float(12);
    r.unit = b.Unit(16);
    r.limit = b.Float(20);
    r.decimals = 5 - b.Byte(24);
    r.acdcMode = b.Byte(25);

    if (r.acdcMode == 2) {
        r.decimals -= 1;
        r.unit += "dc+ac";
    } else {
        r.secondUnit = r.unit + "AC";
        r.unit += "DC";
    }
    MeterRecordMode mode = MeterRecordMode::None;  // other modes are not handed over
    if (r.acdcMode == 3) {
        mode = MeterRecordMode::AcDcSplit;
    } else if (r.acdcMode == 2) {
        mode = MeterRecordMode::AcPlusDc;
    }
    FinishDecode(frame, FrameKind::AcDc, mode);
}

void CReceiveEngine::DecodeVacFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    r.function = "VAC";
    ApplyStatus(r, b.Byte(2));
    r.value = b.Float(3);
    r.unit = b.Unit(7);
    r.decimals = 5 - b.Byte(11);
    r.limit = b.Float(12);
    r.auxValue = b.Float(16);
    r.auxText = FieldText(b.At(20), 4, false);
    FinishDecode(frame, FrameKind::Vac, MeterRecordMode::VacAux);
}

void CReceiveEngine::DecodeFrequencyFrame(std::string frame) {
    const FrameBytes b(frame);
    MeterReading& r = m_reading;
    r.function = "HZ";
    ApplyStatus(r, b.Byte(2));
    r.value = b.Float(3);
    r.duty = b.Float(7);

    r.unit = "HZ";
    if (r.value > 500000.0f) {
        r.value /= kMega;
        r.unit = "MHZ";
    } else if (r.value > 500.0f) {
        r.value /= kKilo;
        r.unit = "KHZ";
    }
    r.duty *= 100.0f;
    FinishDecode(frame, FrameKind::Frequency, MeterRecordMode::Frequency);
}
