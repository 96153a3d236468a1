#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class CReceiveEngine;

// The receive path's running totals.
struct LinkCounters {
    std::uint64_t bytesReceived = 0;
    std::uint64_t framesDecoded = 0;
    std::uint64_t junkBytes = 0;
};

LinkCounters CountersOf(const CReceiveEngine& engine);

// What the status bar tells about the meter's link: the port's short name,
// the frames per second over the last five seconds and the age of the last
// frame, e.g. "rfcomm0 · 2.0 frames/s · 0.4 s ago". Time is passed in by the
// caller; counts start afresh with every port.
class CLinkHealth {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kRateWindow{5};

    // A port (or the demo meter) was opened at `now`; `totals` are the
    // receive path's totals at that moment.
    void PortOpened(std::string name, const LinkCounters& totals, Clock::time_point now);
    void PortClosed();
    bool HasPort() const { return m_port.has_value(); }

    // The receive path's totals after a block arrived at `now`.
    void Observe(const LinkCounters& totals, Clock::time_point now);

    // Frames in the last five seconds per second; a port open for less than
    // that is measured over the time it has been open, but at least 1 s.
    double FramesPerSecond(Clock::time_point now) const;
    // Since the port opened.
    LinkCounters Counts() const;

    // "No port", or the port's name, rate and age of the last frame.
    std::string Text(Clock::time_point now) const;
    // The text, then the bytes received and the bytes dropped as junk.
    std::string Details(Clock::time_point now) const;

  private:
    struct Arrival {
        Clock::time_point when;
        std::uint64_t frames;
    };
    void Forget(Clock::time_point now);

    std::optional<std::string> m_port;
    Clock::time_point m_tOpened{};
    LinkCounters m_base;
    LinkCounters m_last;
    std::optional<Clock::time_point> m_tLastFrame;
    std::deque<Arrival> m_arrivals;  // within the rate window, oldest first
};

// The port as the status bar names it: "/dev/rfcomm0" is "rfcomm0",
// "/dev/pts/3" is "pts/3", another path its file name.
std::string PortShortName(const std::string& device);

// The age of the last frame: "0.4 s ago" below 10 s, then "12 s ago",
// "3 min ago", "2 h ago".
std::string AgeText(std::chrono::milliseconds age);

// A rate with one decimal, independent of the locale: "2.0 frames/s".
std::string RateText(double framesPerSecond);
