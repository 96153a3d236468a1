#include "cli/HexStream.h"

#include <cctype>

#include "decode/HexText.h"

bool CHexStream::Feed(const char* text, std::size_t count, std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < count; ++i, ++m_nOffset) {
        const char c = text[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            continue;
        }
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            m_error = "bad hex character at offset " + std::to_string(m_nOffset);
            return false;
        }
        if (m_nHigh < 0) {
            m_nHigh = digit;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(m_nHigh * 16 + digit));
            m_nHigh = -1;
        }
    }
    return true;
}

bool CHexStream::Finish() {
    if (m_nHigh >= 0) {
        m_error = "odd number of hex digits";
        return false;
    }
    return true;
}
