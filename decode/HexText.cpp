#include "decode/HexText.h"

#include <array>
#include <bit>

#include "common/TextCodec.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsTrimmedSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Digit values by character code; -1 for anything that is no hex digit.
constexpr std::array<std::int8_t, 256> kDigitValues = [] {
    std::array<std::int8_t, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - '0');
    }
    for (int c = 'a'; c <= 'f'; ++c) {
        values[static_cast<std::size_t>(c)] = static_cast<std::int8_t>(c - 'a' + 10);
        values[static_cast<std::size_t>(c - 'a' + 'A')] = static_cast<std::int8_t>(c - 'a' + 10);
    }
    return values;
}();

}  // namespace

Status CHexTextReader::Read(std::string_view text, std::vector<std::uint8_t>& bytes) {
    for (const char c : text) {
        if (IsTrimmedSpace(c) || c == ',' || c == ':') {
            if (m_nHigh >= 0) {
                return Error{"hex text: a byte is split by a separator at offset " +
                             std::to_string(m_nOffset)};
            }
        } else if (const int digit = HexDigitValue(c); digit < 0) {
            return Error{"hex text: bad hex character at offset " + std::to_string(m_nOffset)};
        } else if (m_nHigh < 0) {
            m_nHigh = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(m_nHigh << 4 | digit));
            m_nHigh = -1;
        }
        ++m_nOffset;
    }
    return {};
}

Status CHexTextReader::Finish() const {
    if (m_nHigh >= 0) {
        return Error{"hex text: odd number of hex digits"};
    }
    return {};
}

Result<std::vector<std::uint8_t>> ParseHexText(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    CHexTextReader reader;
    if (Status read = reader.Read(text, bytes); !read) {
        return Error{read.Message()};
    }
    if (Status finished = reader.Finish(); !finished) {
        return Error{finished.Message()};
    }
    return bytes;
}

void AppendHex(std::string& text, const std::uint8_t* bytes, std::size_t count) {
    const std::size_t start = text.size();
    text.resize(start + 2 * count);
    char* out = text.data() + start;
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = kHexDigits[bytes[i] >> 4];
        out[2 * i + 1] = kHexDigits[bytes[i] & 0x0F];
    }
}

int HexDigitValue(char c) {
    return kDigitValues[static_cast<unsigned char>(c)];
}

std::uint8_t HexByteAt(std::string_view text, std::size_t at) {
    int value = 0;
    for (std::size_t i = at; i < at + 2; ++i) {
        const int digit = i < text.size() ? HexDigitValue(text[i]) : -1;
        value = value * 16 + (digit < 0 ? 0 : digit);
    }
    return static_cast<std::uint8_t>(value);
}

std::vector<std::uint8_t> HexToBytes(std::string_view text, int count, int position) {
    std::vector<std::uint8_t> bytes;
    if (count <= 0) {
        return bytes;
    }
    bytes.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const long at = static_cast<long>(position) - 2 + 2L * i;
        bytes.push_back(at < 0 ? 0 : HexByteAt(text, static_cast<std::size_t>(at)));
    }
    return bytes;
}

float HexToFloat(std::string_view text, int position) {
    const std::vector<std::uint8_t> bytes = HexToBytes(text, 4, position);
    return LittleEndianFloat(bytes.data());
}

std::int32_t LittleEndianInt32(const std::uint8_t* bytes) {
    const std::uint32_t u =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(u);
}

float LittleEndianFloat(const std::uint8_t* bytes) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(LittleEndianInt32(bytes)));
}

std::string FieldText(const std::uint8_t* bytes, std::size_t count, bool trim) {
    std::string latin1;
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0) {
            latin1 += static_cast<char>(bytes[i]);
        }
    }
    if (trim) {
        std::size_t first = 0;
        std::size_t last = latin1.size();
        while (first < last && IsTrimmedSpace(latin1[first])) {
            ++first;
        }
        while (last > first && IsTrimmedSpace(latin1[last - 1])) {
            --last;
        }
        latin1 = latin1.substr(first, last - first);
    }
    return Latin1ToUtf8(latin1);
}
