#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Conversions between the program's UTF-8 texts and the encodings of the data
// file (UTF-16, Latin-1) and of the export (8-bit). Invalid input never fails:
// each bad sequence becomes U+FFFD.

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes the code point at text[pos] and advances pos. A malformed, overlong,
// truncated or surrogate sequence yields U+FFFD and skips one byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos);

// Appends code point cp (assumed valid) as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8 to UTF-16 code units (host order).
std::u16string Utf8ToUtf16(std::string_view text);
void AppendUtf16(std::string_view text, std::u16string& units);

// UTF-16 code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// Latin-1 bytes to UTF-8 (every byte is the code point of the same value).
std::string Latin1ToUtf8(std::string_view bytes);

// UTF-8 to the 8-bit text of the export: U+0000..U+00FF as their byte; Ohm signs
// as "Ohm", degree Celsius/Fahrenheit signs as "\xB0C"/"\xB0F", anything else "?".
std::string Utf8ToExportText(std::string_view text);
