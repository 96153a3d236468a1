#include "record/LinkHealth.h"

#include <algorithm>
#include <cmath>

#include "decode/ReceiveEngine.h"

namespace {

using std::chrono::milliseconds;

constexpr const char* kSeparator = " \u00b7 ";

}  // namespace

LinkCounters CountersOf(const CReceiveEngine& engine) {
    return {engine.BytesReceived(), engine.FramesDecoded(), engine.JunkBytesDropped()};
}

void CLinkHealth::PortOpened(std::string name, const LinkCounters& totals, Clock::time_point now) {
    m_port = std::move(name);
    m_tOpened = now;
    m_base = totals;
    m_last = totals;
    m_tLastFrame.reset();
    m_arrivals.clear();
}

void CLinkHealth::PortClosed() {
    m_port.reset();
    m_tLastFrame.reset();
    m_arrivals.clear();
}

void CLinkHealth::Observe(const LinkCounters& totals, Clock::time_point now) {
    if (!m_port) {
        return;
    }
    const std::uint64_t frames = totals.framesDecoded - m_last.framesDecoded;
    m_last = totals;
    if (frames > 0) {
        m_arrivals.push_back({now, frames});
        m_tLastFrame = now;
    }
    Forget(now);
}

void CLinkHealth::Forget(Clock::time_point now) {
    while (!m_arrivals.empty() && now - m_arrivals.front().when >= kRateWindow) {
        m_arrivals.pop_front();
    }
}

double CLinkHealth::FramesPerSecond(Clock::time_point now) const {
    std::uint64_t frames = 0;
    for (const Arrival& arrival : m_arrivals) {
        if (now - arrival.when < kRateWindow) {
            frames += arrival.frames;
        }
    }
    const auto window =
        std::clamp<Clock::duration>(now - m_tOpened, std::chrono::seconds(1), kRateWindow);
    return static_cast<double>(frames) / std::chrono::duration<double>(window).count();
}

LinkCounters CLinkHealth::Counts() const {
    return {m_last.bytesReceived - m_base.bytesReceived,
            m_last.framesDecoded - m_base.framesDecoded, m_last.junkBytes - m_base.junkBytes};
}

std::string CLinkHealth::Text(Clock::time_point now) const {
    if (!m_port) {
        return "No port";
    }
    std::string text = *m_port + kSeparator + RateText(FramesPerSecond(now)) + kSeparator;
    if (!m_tLastFrame) {
        return text + "no frames yet";
    }
    return text + AgeText(std::chrono::duration_cast<milliseconds>(now - *m_tLastFrame));
}

std::string CLinkHealth::Details(Clock::time_point now) const {
    if (!m_port) {
        return Text(now);
    }
    const LinkCounters counts = Counts();
    return Text(now) + "\n" + std::to_string(counts.bytesReceived) + " bytes received" +
           kSeparator + std::to_string(counts.junkBytes) + " bytes dropped as junk";
}

std::string PortShortName(const std::string& device) {
    constexpr std::string_view kDevFolder = "/dev/";
    if (device.starts_with(kDevFolder) && device.size() > kDevFolder.size()) {
        return device.substr(kDevFolder.size());
    }
    const std::size_t slash = device.find_last_of('/');
    return slash == std::string::npos || slash + 1 == device.size() ? device
                                                                    : device.substr(slash + 1);
}

std::string AgeText(milliseconds age) {
    const long long ms = std::max<long long>(age.count(), 0);
    const long long tenths = (ms + 50) / 100;
    if (tenths < 100) {
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s ago";
    }
    // 9.96 s rounds to ten tenths: it is shown as "10 s ago", not "9 s ago".
    const long long seconds = std::max<long long>(ms / 1000, 10);
    if (seconds < 60) {
        return std::to_string(seconds) + " s ago";
    }
    if (seconds < 3600) {
        return std::to_string(seconds / 60) + " min ago";
    }
    return std::to_string(seconds / 3600) + " h ago";
}

std::string RateText(double framesPerSecond) {
    const long long tenths = std::llround(std::max(framesPerSecond, 0.0) * 10.0);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " frames/s";
}
