#include "common/CLocaleFormat.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>

namespace {

// Made once and never freed: it is the same immutable "C" locale for every
// caller. Should newlocale fail, uselocale(0) changes nothing.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Puts the calling thread in the "C" locale while it lives.
class ThreadInCLocale {
  public:
    ThreadInCLocale() : m_previous(uselocale(CLocale())) {}
    ~ThreadInCLocale() { uselocale(m_previous); }
    ThreadInCLocale(const ThreadInCLocale&) = delete;
    ThreadInCLocale& operator=(const ThreadInCLocale&) = delete;

  private:
    locale_t m_previous;
};

}  // namespace

std::string FormatInCLocale(const char* format, ...) {
    const ThreadInCLocale inCLocale;
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}
