// Meter link figures: CPU time of an idle reader, and the delay from a
// frame's last byte to its delivery (the 200 ms inter-byte gap plus overhead).
//
//   bench_link [--idle-seconds N] [--frames N]
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "frames/FrameEncoder.h"
#include "link/ComPort.h"
#include "link/MeterPort.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double Ms(SteadyClock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            std::perror("pty");
            std::exit(1);
        }
        slave = ptsname(master);
    }
    ~Pty() { close(master); }
    void Send(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = write(master, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                std::perror("write");
                std::exit(1);
            }
            done += static_cast<std::size_t>(n);
        }
    }
};

// Delivery times of the blocks, in arrival order.
class Arrivals {
  public:
    void Add() {
        {
            std::lock_guard lock(m_mutex);
            m_times.push_back(SteadyClock::now());
        }
        m_changed.notify_all();
    }
    bool WaitFor(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_times.size() >= count; });
    }
    SteadyClock::time_point At(std::size_t i) {
        std::lock_guard lock(m_mutex);
        return m_times.at(i);
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SteadyClock::time_point> m_times;
};

void Report(const char* what, std::vector<double> values, double subtract) {
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    std::printf("%-38s min %7.2f  median %7.2f  max %7.2f ms", what, values.front(), median,
                values.back());
    if (subtract > 0) {
        std::printf("   (beyond the %.0f ms gap: median %+.2f, max %+.2f ms)", subtract,
                    median - subtract, values.back() - subtract);
    }
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    int idleSeconds = 10;
    int frameCount = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--idle-seconds") == 0) {
            idleSeconds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--frames") == 0) {
            frameCount = std::max(1, std::atoi(argv[i + 1]));
        }
    }

    Pty pty;
    Arrivals arrivals;
    CComPort port;
    const auto choice = ParsePortChoice(pty.slave);
    const MeterPortResult opened =
        OpenMeterPort(port, *choice, [&](const std::uint8_t*, std::size_t) { arrivals.Add(); });
    if (!opened.opened) {
        std::fprintf(stderr, "%s\n", opened.warning.c_str());
        return 1;
    }

    // 1. Idle: the reader waits in poll and should cost nothing.
    const double cpuBefore = ProcessCpuSeconds();
    const auto wallBefore = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = Ms(SteadyClock::now() - wallBefore) / 1000.0;
    std::printf("idle reader: %.3f ms CPU over %.1f s (%.4f %% of one core)\n", cpu * 1000.0, wall,
                100.0 * cpu / wall);

    // 2. A 20-byte live frame: delivered the inter-byte gap after its last byte.
    const frames::Bytes frame = frames::Encode(frames::PlainFrame{.value = 1.5f});
    std::vector<double> frameLatency;
    std::size_t expected = 0;
    for (int i = 0; i < frameCount; ++i) {
        pty.Send(frame);
        const auto lastByte = SteadyClock::now();
        if (!arrivals.WaitFor(++expected, std::chrono::seconds(5))) {
            std::fprintf(stderr, "frame %d was not delivered\n", i);
            return 1;
        }
        frameLatency.push_back(Ms(arrivals.At(expected - 1) - lastByte));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Report("20-byte frame, last byte to delivery:", frameLatency, 200.0);

    // 3. A full 100-byte request is delivered without waiting for the gap.
    const frames::Bytes block(100, 0x55);
    std::vector<double> blockLatency;
    for (int i = 0; i < frameCount; ++i) {
        pty.Send(block);
        const auto lastByte = SteadyClock::now();
        if (!arrivals.WaitFor(++expected, std::chrono::seconds(5))) {
            std::fprintf(stderr, "block %d was not delivered\n", i);
            return 1;
        }
        blockLatency.push_back(Ms(arrivals.At(expected - 1) - lastByte));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    Report("100-byte block (read size), to delivery:", blockLatency, 0.0);

    const auto closeStart = SteadyClock::now();
    port.Close();
    std::printf("Close: %.2f ms\n", Ms(SteadyClock::now() - closeStart));
    return 0;
}
