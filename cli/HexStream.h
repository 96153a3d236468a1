#pragma once

// Hex text read piece by piece, so an input of any size is never held whole.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Hex digit pairs with white space anywhere ignored (also inside a pair).
class CHexStream {
  public:
    // Appends the bytes of `count` more characters to `bytes`. False on a
    // character that is neither a hex digit nor white space; Error() says which.
    bool Feed(const char* text, std::size_t count, std::vector<std::uint8_t>& bytes);
    // False when the text ended inside a pair; Error() says so.
    bool Finish();
    const std::string& Error() const { return m_error; }

  private:
    int m_nHigh = -1;  // the first digit of a pair, or -1
    std::size_t m_nOffset = 0;
    std::string m_error;
};
