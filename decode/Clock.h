#pragma once

#include <ctime>

#include "common/TimeText.h"

// The one source of "now" for every time text, so tests and the CLI can freeze it.
// The texts themselves come from common/TimeText.h.
class IClock {
  public:
    virtual ~IClock() = default;
    virtual std::time_t Now() const = 0;
};

class SystemClock : public IClock {
  public:
    std::time_t Now() const override { return std::time(nullptr); }
};

class FixedClock : public IClock {
  public:
    explicit FixedClock(std::time_t t) : m_t(t) {}
    std::time_t Now() const override { return m_t; }
    void Set(std::time_t t) { m_t = t; }
    void Advance(long seconds) { m_t += seconds; }

  private:
    std::time_t m_t;
};
