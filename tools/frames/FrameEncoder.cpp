#include "frames/FrameEncoder.h"

#include "decode/HexText.h"

#include <bit>
#include <stdexcept>

namespace frames {

namespace {

// Appends fields in wire order; multi-byte numbers go out little-endian.
class Writer {
  public:
    void Byte(std::uint8_t b) { m_bytes.push_back(b); }
    void U16(std::uint16_t v) {
        Byte(static_cast<std::uint8_t>(v & 0xFF));
        Byte(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) {
            Byte(static_cast<std::uint8_t>((v >> shift) & 0xFF));
        }
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void Float(float f) { U32(std::bit_cast<std::uint32_t>(f)); }
    template <std::size_t N>
    void Raw(const std::array<std::uint8_t, N>& bytes) {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    Bytes Take() { return std::move(m_bytes); }

  private:
    Bytes m_bytes;
};

Writer StartFrame(Family family, int kind) {
    Writer w;
    w.Byte(kFrameStart);
    const int familyNibble = family == Family::Live ? 0x80 : 0x90;
    w.Byte(static_cast<std::uint8_t>(familyNibble + kind));
    return w;
}

}  // namespace

UnitText Unit(std::string_view text) {
    if (text.size() > 4) {
        throw std::invalid_argument("unit text longer than 4 bytes: " + std::string(text));
    }
    UnitText unit{' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < text.size(); ++i) {
        unit[i] = static_cast<std::uint8_t>(text[i]);
    }
    return unit;
}

std::uint8_t StatusByte(const StatusFlags& flags) {
    std::uint8_t status = 0;
    if (flags.hold) {
        status |= 0x01;
    }
    if (!flags.autoRange) {
        status |= 0x02;
    }
    if (flags.firstModeFlag) {
        status |= 0x04;
    }
    if (flags.secondModeFlag) {
        status |= 0x08;
    }
    return status;
}

std::uint8_t PackRanges(int mainRange, int maxRange, int minRange, int avgRange) {
    for (int r : {mainRange, maxRange, minRange, avgRange}) {
        if (r < 0 || r > 3) {
            throw std::invalid_argument("range field outside 0..3");
        }
    }
    return static_cast<std::uint8_t>(mainRange | (maxRange << 2) | (minRange << 4) |
                                     (avgRange << 6));
}

std::uint8_t ToBcd(int value) {
    if (value < 0 || value > 99) {
        throw std::invalid_argument("BCD field outside 0..99: " + std::to_string(value));
    }
    return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

BcdTime MakeBcdTime(int hours, int minutes, int seconds) {
    return {ToBcd(hours), ToBcd(minutes), ToBcd(seconds)};
}

BcdStamp MakeBcdStamp(int year2, int month, int day, int hour, int minute, int second) {
    return {ToBcd(year2), ToBcd(month), ToBcd(day), ToBcd(hour), ToBcd(minute), ToBcd(second)};
}

// Kinds 1 and 3 carry the value, its maximum, minimum and average, and the limit
// in this order.
template <typename Frame>
void WriteValueStatistics(Writer& w, const Frame& f) {
    w.Float(f.value);
    w.Float(f.maxValue);
    w.Float(f.minValue);
    w.Float(f.avgValue);
    w.Float(f.limit);
}

// ... and, further on, when the maximum, minimum and average were taken, then
// the start stamp.
template <typename Frame>
void WriteStatisticsTimes(Writer& w, const Frame& f) {
    w.Raw(f.maxTime);
    w.Raw(f.minTime);
    w.Raw(f.avgTime);
    w.Raw(f.start);
}

Bytes Encode(const PlainFrame& f) {
    Writer w = StartFrame(f.family, 0);
    w.Byte(f.function);
    w.Byte(f.status);
    w.Float(f.value);
    w.Float(f.limit);
    w.Raw(f.unit);
    w.Byte(f.range);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const MinMaxFrame& f) {
    Writer w = StartFrame(f.family, 1);
    w.Byte(f.function);
    w.Byte(f.status);
    WriteValueStatistics(w, f);
    w.Byte(f.range);
    w.Raw(f.unit);
    w.Raw(f.maxUnit);
    w.Raw(f.minUnit);
    w.Raw(f.avgUnit);
    WriteStatisticsTimes(w, f);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const AuxFrame& f) {
    Writer w = StartFrame(f.family, 2);
    w.Byte(f.function);
    w.Byte(f.status);
    w.Float(f.value);
    w.Float(f.reference);
    w.Float(f.relative);
    w.Float(f.limit);
    w.Raw(f.unit);
    w.Byte(f.range);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const PeakFrame& f) {
    Writer w = StartFrame(f.family, 3);
    w.Byte(f.function);
    w.Byte(f.status);
    WriteValueStatistics(w, f);
    w.Raw(f.unit);
    w.Byte(f.range);
    WriteStatisticsTimes(w, f);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const AcDcFrame& f) {
    Writer w = StartFrame(f.family, 4);
    w.Byte(f.function);
    w.Byte(f.status);
    w.Float(f.alternateValue);
    w.Float(f.secondValue);
    w.Float(f.value);
    w.Raw(f.unit);
    w.Float(f.limit);
    w.Byte(f.range);
    w.Byte(f.acdcMode);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const VacFrame& f) {
    Writer w = StartFrame(f.family, 5);
    w.Byte(f.status);
    w.Float(f.value);
    w.Raw(f.unit);
    w.Byte(f.range);
    w.Float(f.limit);
    w.Float(f.auxValue);
    w.Raw(f.auxText);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const FrequencyFrame& f) {
    Writer w = StartFrame(f.family, 6);
    w.Byte(f.status);
    w.Float(f.value);
    w.Float(f.duty);
    w.Raw(f.filler);
    return w.Take();
}

Bytes Encode(const AnyFrame& frame) {
    return std::visit([](const auto& f) { return Encode(f); }, frame);
}

int KindOf(const AnyFrame& frame) {
    return static_cast<int>(frame.index());
}

std::size_t FrameLength(int kind) {
    static constexpr std::array<std::size_t, 7> kLengths{20, 59, 28, 47, 29, 27, 14};
    if (kind < 0 || kind >= static_cast<int>(kLengths.size())) {
        throw std::out_of_range("frame kind outside 0..6: " + std::to_string(kind));
    }
    return kLengths[static_cast<std::size_t>(kind)];
}

Bytes SyncMarker() {
    return {0xF8, 0xF8, 0xF8, 0xF8};
}

Bytes AckCommand() {
    return {0xF3, 0x01, 0xF4};
}

Bytes Encode(const DownloadHeader& h) {
    Writer w;
    w.Byte(kFrameStart);
    w.Byte(kDownloadHeaderMarker);
    w.Byte(h.function);
    w.Raw(h.start);
    w.I32(h.interval);
    w.U32(h.unused1);
    w.U32(h.unused2);
    w.U16(h.blockCount);
    w.Raw(h.filler);
    return w.Take();
}

Bytes Encode(const BlockHeader& h) {
    return {kFrameStart, kBlockHeaderMarker, h.recordCount, h.number, h.spare};
}

Bytes Encode(const BlockBody& body) {
    Writer w;
    for (const StoredRecord& r : body.records) {
        w.Float(r.value);
        w.I32(r.seconds);
    }
    w.Raw(body.trailer);
    return w.Take();
}

Bytes EncodeBlock(std::uint8_t number, const std::vector<StoredRecord>& records) {
    if (records.size() > 255) {
        throw std::invalid_argument("a block holds at most 255 records");
    }
    Bytes block = Encode(BlockHeader{static_cast<std::uint8_t>(records.size()), number, 0});
    const Bytes body = Encode(BlockBody{records});
    block.insert(block.end(), body.begin(), body.end());
    return block;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
    }
    return text;
}

Bytes FromHex(std::string_view text) {
    Result<Bytes> bytes = ParseHexText(text);
    if (!bytes) {
        throw std::invalid_argument(bytes.Message());
    }
    return std::move(bytes).Value();
}

}  // namespace frames
