// GUI-thread cost of the crash journal: what an append to a journaled
// document costs beyond the append itself.
//
//   bench_journal [FOLDER]    journals go to FOLDER (default: the temporary folder)
//
// Target: at most 5 µs of GUI-thread time per journaled record.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "record/Document.h"
#include "record/Journal.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kRecords = 20000;  // a full live document

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

MeterReading Counted() {
    MeterReading reading;
    reading.value = 1.0f;
    reading.limit = 1.0e9f;
    return reading;
}

// Appends kRecords live-like readings; returns the time per record in µs.
double AppendAll(CRoZudozuvDoc& doc) {
    const MeterReading current = Counted();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < kRecords; ++i) {
        doc.AddReading(0, 12.345 + static_cast<double>(i % 100) * 0.001, "mVDC", 0.0,
                       static_cast<std::int32_t>(i), "8/12/2026 9:5:" + std::to_string(i % 60),
                       "mVDC", current);
    }
    return Microseconds(Clock::now() - start) / static_cast<double>(kRecords);
}

// A slow meter: every reading comes after the write interval, so each one
// is written on its own, from cold caches. The time of each append in µs, sorted.
std::vector<double> AppendPaced(CRoZudozuvDoc& doc) {
    const MeterReading current = Counted();
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(210));
        const auto start = Clock::now();
        doc.AddReading(0, 1.0, "mVDC", 0.0, i, "8/12/2026 9:5:1", "mVDC", current);
        times.push_back(Microseconds(Clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1]
                                        : (std::filesystem::temp_directory_path() /
                                           ("vavirir-bench-journal-" + std::to_string(getpid())))
                                              .string();

    CRoZudozuvDoc plain;
    const double bare = AppendAll(plain);
    const std::vector<double> pacedBare = AppendPaced(plain);

    CRoZudozuvDoc journaled;
    double burst = 0.0;
    std::vector<double> paced;
    {
        CJournalWriter writer(folder, "bench", std::time(nullptr));
        journaled.AddObserver(&writer);
        burst = AppendAll(journaled);
        paced = AppendPaced(journaled);
        const auto start = Clock::now();
        writer.Sync();
        std::printf("journal: Sync (on Stop) took %.0f µs\n", Microseconds(Clock::now() - start));
        writer.Remove();
        journaled.RemoveObserver(&writer);
    }
    std::filesystem::remove_all(folder);

    std::printf("journal: append without a journal %.3f µs per record\n", bare);
    std::printf(
        "journal: %zu records in a burst: %.3f µs per record with a journal, so %.3f µs "
        "of journaling (target 5 µs)\n",
        kRecords, burst, burst - bare);
    std::printf(
        "journal: one reading every 210 ms, median %.1f µs "
        "(%.1f µs without a journal), slowest %.1f µs (%.1f µs) (target 5 µs of "
        "journaling)\n",
        paced[paced.size() / 2], pacedBare[pacedBare.size() / 2], paced.back(), pacedBare.back());
    return 0;
}
