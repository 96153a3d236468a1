// Figures of a long `vavirir-cli record --roll` log fed by the simulator at a
// fast rate: whether every reading is in the rolled files, in order and none
// doubled; the peak memory of the recording program; and the time a full
// document takes to be saved and freed when it rolls over.
//
//   bench_longlog [--readings N] [--rate R]     (default 1000000 at 20000/s)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "docview/DataFile.h"
#include "frames/FrameEncoder.h"
#include "record/HeadlessHost.h"
#include "record/MeterSession.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using test_support::ChildProcess;
using test_support::ProgramPath;
using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

namespace {

constexpr int kRampPeriod = 7;

struct Check {
    std::size_t readings = 0;
    std::size_t files = 0;
    std::size_t badSteps = 0;  // a reading that is not the ramp's next value
};

// Reads log.txt, log-2.txt, … and checks that the ramp steps on one value at
// a time across all of them.
Check CheckRolledFiles(const fs::path& dir) {
    Check check;
    std::vector<double> cycle;
    double previous = 0.0;
    bool first = true;
    for (std::size_t part = 1;; ++part) {
        const fs::path file =
            dir / (part == 1 ? "log.txt" : "log-" + std::to_string(part) + ".txt");
        if (!fs::exists(file)) {
            break;
        }
        CRoZudozuvDoc doc;
        if (const Status loaded = LoadDocumentFile(file.string(), doc); !loaded) {
            throw std::runtime_error(loaded.Message());
        }
        ++check.files;
        for (const CObData& record : doc.channels[0]) {
            if (cycle.size() < kRampPeriod) {
                cycle.push_back(record.value);
            } else if (!first) {
                std::size_t at = 0;
                while (at < cycle.size() && cycle[at] != previous) {
                    ++at;
                }
                check.badSteps += cycle[(at + 1) % cycle.size()] != record.value;
            }
            previous = record.value;
            first = false;
            ++check.readings;
        }
    }
    return check;
}

// The roll step as the CLI takes it: a session fills a document to its
// capacity, then the full document is saved and freed. Milliseconds.
double TimeOfOneRoll(const fs::path& dir) {
    FixedClock clock(1'700'000'000);
    CHeadlessSessionHost host(100);
    CMeterSession session(host, clock);
    double milliseconds = 0;
    host.ContinueWhenFull([&](CRoZudozuvDoc& full, CRoZudozuvDoc&) {
        const auto start = SteadyClock::now();
        if (const Status saved = SaveDocumentFile(full, (dir / "roll.txt").string()); !saved) {
            throw std::runtime_error(saved.Message());
        }
        milliseconds =
            std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
    });
    session.StartAsDataArrives();
    for (std::size_t n = 0; n <= CRoZudozuvDoc::kLiveCapacity; ++n) {
        frames::PlainFrame frame;
        frame.value = static_cast<float>(n % 7);
        frame.limit = 50.0f;
        const frames::Bytes bytes = frames::Encode(frame);
        session.OnReceiveBytes(bytes.data(), bytes.size());
    }
    const auto start = SteadyClock::now();
    host.CloseDocument(*host.Documents().front(), session.Registry());
    return milliseconds +
           std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t readings = 1'000'000;
    std::string rate = "20000";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--readings") {
            readings = std::strtoul(argv[i + 1], nullptr, 10);
        } else if (arg == "--rate") {
            rate = argv[i + 1];
        }
    }
    const fs::path dir =
        fs::temp_directory_path() / ("vavirir-bench-longlog-" + std::to_string(getpid()));
    fs::create_directories(dir);
    setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);

    ChildProcess sim({ProgramPath("vavirir-sim"), "--rate", rate, "--start-delay-ms", "0", "live",
                      "--waveform", "ramp", "--period", std::to_string(kRampPeriod)});
    const auto pty = sim.ReadLine(5s);
    if (!pty) {
        std::fprintf(stderr, "bench_longlog: the simulator printed no terminal\n");
        return 1;
    }
    const auto start = SteadyClock::now();
    const fs::path rss = dir / "rss.txt";
    ChildProcess cli({"/usr/bin/time", "-f", "%M", "-o", rss.string(), ProgramPath("vavirir-cli"),
                      "record", "--port", *pty, "--roll", "--count", std::to_string(readings),
                      "--out", (dir / "log.txt").string()});
    const int rc = cli.Wait(std::chrono::hours(2)).value_or(-1);
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    sim.Signal(SIGTERM);
    sim.Wait(5s);

    long rssKiB = 0;
    std::ifstream(rss) >> rssKiB;
    const Check check = CheckRolledFiles(dir);
    std::printf("record --roll of %zu readings at %s/s: exit %d in %.1f s\n", readings,
                rate.c_str(), rc, seconds);
    std::printf("  readings in %zu files: %zu, out of order or doubled: %zu  (target: all, 0)\n",
                check.files, check.readings, check.badSteps);
    std::printf("  peak memory (max RSS): %.1f MB  (target <= 60 MB)\n",
                static_cast<double>(rssKiB) / 1024.0);
    std::printf(
        "  saving and freeing a full document of %zu readings: %.1f ms  (target <= 100 ms)\n",
        CRoZudozuvDoc::kLiveCapacity, TimeOfOneRoll(dir));
    fs::remove_all(dir);
    return rc == 0 && check.readings == readings && check.badSteps == 0 ? 0 : 1;
}
