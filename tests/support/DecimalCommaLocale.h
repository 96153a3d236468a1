#pragma once

#include <clocale>
#include <cstdio>
#include <string>

namespace test_support {

// A locale whose decimal separator is a comma; scripts/deps generates it.
inline constexpr char kDecimalCommaLocale[] = "de_DE.UTF-8";

// Puts the whole process in that locale while it lives, as the desktop
// toolkit does with the user's locale at start-up.
class DecimalCommaLocale {
  public:
    DecimalCommaLocale() : m_previous(std::setlocale(LC_ALL, nullptr)) {
        m_active = std::setlocale(LC_ALL, kDecimalCommaLocale) != nullptr;
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, m_previous.c_str()); }
    DecimalCommaLocale(const DecimalCommaLocale&) = delete;
    DecimalCommaLocale& operator=(const DecimalCommaLocale&) = delete;

    // Set, and printf really writes "5,4" under it.
    bool Active() const {
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 5.4);
        return m_active && std::string(probe) == "5,4";
    }

  private:
    std::string m_previous;
    bool m_active = false;
};

}  // namespace test_support
