#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/Result.h"

// Helpers for the hex text the receive engine works on: two lower-case hex
// digits per received byte, no separators.

// Appends each byte as two lower-case hex digits.
void AppendHex(std::string& text, const std::uint8_t* bytes, std::size_t count);

// Value of a hex digit (either case); -1 for anything else.
int HexDigitValue(char c);

// The byte of two hex digits known to be valid (lower or upper case).
inline std::uint8_t ValidHexPair(const char* digits) {
    auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    return static_cast<std::uint8_t>(value(digits[0]) << 4 | value(digits[1]));
}

// The byte whose two hex digits start at character `at`; characters beyond the
// text or not hex digits count as 0, so a short text never reads out of range.
std::uint8_t HexByteAt(std::string_view text, std::size_t at);

// `count` bytes of the text; byte i is read from the characters at
// position-2+2i and position-1+2i (for the byte at offset b, position = 2b+2).
std::vector<std::uint8_t> HexToBytes(std::string_view text, int count, int position);

// Four bytes as by HexToBytes(text, 4, position), taken as an IEEE-754 single
// in little-endian order.
float HexToFloat(std::string_view text, int position);

// Little-endian 32-bit integer from four bytes.
std::int32_t LittleEndianInt32(const std::uint8_t* bytes);
float LittleEndianFloat(const std::uint8_t* bytes);

// Hex text as people and tools write it (the CLI's --hex input, the
// simulator's stream files): hex digit pairs, either case, with white space,
// commas or colons allowed between bytes but not inside one.
//
// Reads such text in pieces of any size: a byte may be split between two
// pieces, so a large input never needs to be held whole.
class CHexTextReader {
  public:
    // Appends the bytes of `text` to `bytes`; fails at the first character
    // that is neither a hex digit nor a separator between bytes, with a
    // message such as "hex text: bad hex character at offset 4".
    Status Read(std::string_view text, std::vector<std::uint8_t>& bytes);
    // The text has ended: fails when half a byte is left.
    Status Finish() const;
    // Characters read so far; after a failure, those before the fault.
    std::size_t Offset() const { return m_nOffset; }

  private:
    int m_nHigh = -1;           // the first digit of a byte, or -1
    std::size_t m_nOffset = 0;  // characters read so far
};

// The bytes of a whole hex text (see CHexTextReader).
Result<std::vector<std::uint8_t>> ParseHexText(std::string_view text);

// A four-character text field of a frame: NUL filler bytes are dropped, white
// space at both ends is trimmed when `trim` is set, and the rest is converted
// from Latin-1 to UTF-8.
std::string FieldText(const std::uint8_t* bytes, std::size_t count, bool trim);
