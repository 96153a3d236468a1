#pragma once
// Builds the bytes the meter sends: live and meter-record frames of kinds 0-6,
// the sync marker, the stored-record download (header, block headers, block
// bodies) and the acknowledgement the program sends back.
//
// Every frame kind has a plain struct holding its raw fields exactly as they
// travel on the wire (function byte, status byte, floats, 4-byte unit texts,
// range byte, BCD stamps, unused filler bytes), so a test can produce any byte
// string the meter could send, including odd ones. Helpers build the usual
// field values (status bits, padded units, BCD times).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace frames {

using Bytes = std::vector<std::uint8_t>;

// Second byte of a frame: 0x8k for the live stream, 0x9k for meter-record frames.
enum class Family { Live, MeterRecord };

// ---- Field helpers -------------------------------------------------------

// Four unit bytes; the meter pads short texts with blanks ("ko  ").
using UnitText = std::array<std::uint8_t, 4>;
// Blank-padded unit text; throws std::invalid_argument for more than 4 bytes.
UnitText Unit(std::string_view text);

// The status byte: bit 0 hold, bit 1 set while the range is manual (so
// autoRange reads it inverted), bit 2 first mode flag, bit 3 second mode flag.
struct StatusFlags {
    bool hold = false;
    bool autoRange = true;
    bool firstModeFlag = false;
    bool secondModeFlag = false;
};
std::uint8_t StatusByte(const StatusFlags& flags);

// Range byte with four 2-bit fields (kinds 1 and 3): bits 0-1 main, 2-3 max,
// 4-5 min, 6-7 avg. The decoder shows 5 - field decimals.
std::uint8_t PackRanges(int mainRange, int maxRange, int minRange, int avgRange);

// Packed BCD of 0..99 (42 -> 0x42); throws std::invalid_argument outside.
std::uint8_t ToBcd(int value);

// Elapsed time hh mm ss, one BCD byte each.
using BcdTime = std::array<std::uint8_t, 3>;
BcdTime MakeBcdTime(int hours, int minutes, int seconds);

// Date and time stamp as the meter sends it: yy mm dd hh mi ss, one BCD byte
// each (the start stamp of kinds 1 and 3, and the download header's start).
using BcdStamp = std::array<std::uint8_t, 6>;
BcdStamp MakeBcdStamp(int year2, int month, int day, int hour, int minute, int second);

using Filler3 = std::array<std::uint8_t, 3>;

// ---- Frame kinds -----------------------------------------------------------

// Kind 0: 20 bytes.
struct PlainFrame {
    Family family = Family::Live;
    std::uint8_t function = 2;
    std::uint8_t status = 0;
    float value = 0.0f;
    float limit = 6.0f;
    UnitText unit = Unit("VDC");
    std::uint8_t range = 2;
    Filler3 filler{};
};

// Kind 1: 59 bytes; maximum, minimum and average with their elapsed times.
struct MinMaxFrame {
    Family family = Family::Live;
    std::uint8_t function = 2;
    std::uint8_t status = 0;
    float value = 0.0f;
    float maxValue = 0.0f;
    float minValue = 0.0f;
    float avgValue = 0.0f;
    float limit = 6.0f;
    std::uint8_t range = 0xAA;
    UnitText unit = Unit("VDC");
    UnitText maxUnit = Unit("VDC");
    UnitText minUnit = Unit("VDC");
    UnitText avgUnit = Unit("VDC");
    BcdTime maxTime{};
    BcdTime minTime{};
    BcdTime avgTime{};
    BcdStamp start{};
    Filler3 filler{};
};

// Kind 2: 28 bytes; relative mode with reference and relative value.
struct AuxFrame {
    Family family = Family::Live;
    std::uint8_t function = 2;
    std::uint8_t status = 0;
    float value = 0.0f;
    float reference = 0.0f;
    float relative = 0.0f;
    float limit = 6.0f;
    UnitText unit = Unit("VDC");
    std::uint8_t range = 2;
    Filler3 filler{};
};

// Kind 3: 47 bytes; peak values, one unit for all four values.
struct PeakFrame {
    Family family = Family::Live;
    std::uint8_t function = 1;
    std::uint8_t status = 0;
    float value = 0.0f;
    float maxValue = 0.0f;
    float minValue = 0.0f;
    float avgValue = 0.0f;
    float limit = 600.0f;
    UnitText unit = Unit("VAC");
    std::uint8_t range = 0xFF;
    BcdTime maxTime{};
    BcdTime minTime{};
    BcdTime avgTime{};
    BcdStamp start{};
    Filler3 filler{};
};

// Kind 4: 29 bytes; AC+DC measurement.
struct AcDcFrame {
    Family family = Family::Live;
    std::uint8_t function = 21;
    std::uint8_t status = 0;
    float alternateValue = 0.0f;
    float secondValue = 0.0f;
    float value = 0.0f;
    UnitText unit = Unit("V");
    float limit = 600.0f;
    std::uint8_t range = 4;
    std::uint8_t acdcMode = 1;
    Filler3 filler{};
};

// Kind 5: 27 bytes; VAC with an auxiliary value. No function byte.
struct VacFrame {
    Family family = Family::Live;
    std::uint8_t status = 0;
    float value = 0.0f;
    UnitText unit = Unit("VAC");
    std::uint8_t range = 4;
    float limit = 600.0f;
    float auxValue = 0.0f;
    UnitText auxText = Unit("Hz");
    Filler3 filler{};
};

// Kind 6: 14 bytes; frequency in hertz and duty cycle as a fraction. No function byte.
struct FrequencyFrame {
    Family family = Family::Live;
    std::uint8_t status = 0;
    float value = 0.0f;
    float duty = 0.0f;
    Filler3 filler{};
};

using AnyFrame =
    std::variant<PlainFrame, MinMaxFrame, AuxFrame, PeakFrame, AcDcFrame, VacFrame, FrequencyFrame>;

Bytes Encode(const PlainFrame& frame);
Bytes Encode(const MinMaxFrame& frame);
Bytes Encode(const AuxFrame& frame);
Bytes Encode(const PeakFrame& frame);
Bytes Encode(const AcDcFrame& frame);
Bytes Encode(const VacFrame& frame);
Bytes Encode(const FrequencyFrame& frame);
Bytes Encode(const AnyFrame& frame);

// Kind number 0..6 of a frame struct.
int KindOf(const AnyFrame& frame);
// Length in bytes of frames of kind 0..6; throws std::out_of_range otherwise.
std::size_t FrameLength(int kind);

// ---- Markers ---------------------------------------------------------------

inline constexpr std::uint8_t kFrameStart = 0xA0;
inline constexpr std::uint8_t kDownloadHeaderMarker = 0xA8;
inline constexpr std::uint8_t kBlockHeaderMarker = 0xA9;
inline constexpr std::uint8_t kBlockTrailerMarker = 0xA1;
inline constexpr std::size_t kDownloadHeaderLength = 26;
inline constexpr std::size_t kBlockHeaderLength = 5;
inline constexpr std::size_t kStoredRecordLength = 8;
inline constexpr std::size_t kBlockTrailerLength = 3;

// F8 F8 F8 F8: the meter is about to send meter-record frames.
Bytes SyncMarker();
// F3 01 F4: the program's acknowledgement of a download header or block.
Bytes AckCommand();

// ---- Stored-record download ---------------------------------------------

// 26 bytes: A0 A8, function, start stamp, interval, two unused words, block count.
struct DownloadHeader {
    std::uint8_t function = 2;
    BcdStamp start{};
    std::int32_t interval = 1;
    std::uint32_t unused1 = 0;
    std::uint32_t unused2 = 0;
    std::uint16_t blockCount = 0;
    Filler3 filler{};
};
Bytes Encode(const DownloadHeader& header);

// 5 bytes: A0 A9, record count, block number (from 1), one unused byte.
struct BlockHeader {
    std::uint8_t recordCount = 0;
    std::uint8_t number = 1;
    std::uint8_t spare = 0;
};
Bytes Encode(const BlockHeader& header);

// One stored reading: a value and its seconds since the recording's start.
struct StoredRecord {
    float value = 0.0f;
    std::int32_t seconds = 0;
};

// recordCount x 8 bytes of records, then a 3-byte trailer containing A1.
struct BlockBody {
    std::vector<StoredRecord> records;
    Filler3 trailer{kBlockTrailerMarker, 0x00, 0x00};
};
Bytes Encode(const BlockBody& body);

// Block header and body together, as the meter sends one block.
Bytes EncodeBlock(std::uint8_t number, const std::vector<StoredRecord>& records);

// ---- Hex text ---------------------------------------------------------------

// Two lower-case hex digits per byte, no separators ("a0800203").
std::string ToHex(std::span<const std::uint8_t> bytes);
// Reads hex digit pairs; blanks, tabs, newlines, commas and colons between
// pairs are ignored. Throws std::invalid_argument on any other character or
// an odd digit count.
Bytes FromHex(std::string_view text);

}  // namespace frames
