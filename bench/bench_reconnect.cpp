// Reconnect figures of `vavirir-cli record --reconnect` on a simulator that
// vanishes and comes back on the same --link path: the delay from the device
// reappearing (the new simulator has made its link) to the reopen, and the
// CPU time the waiting program spends while the device is away.
//
//   bench_reconnect [--rounds N] [--away-seconds S]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "support/ChildProcess.h"

namespace {

using SteadyClock = std::chrono::steady_clock;
using test_support::ChildProcess;
using test_support::ProgramPath;
using namespace std::chrono_literals;

// User and system CPU seconds of a process so far, from /proc.
double CpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = stat.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    // Fields after the name: state is field 3; utime and stime are 14 and 15.
    std::vector<std::string> fields;
    std::string field;
    for (std::size_t i = close + 2; i <= stat.size(); ++i) {
        if (i == stat.size() || stat[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += stat[i];
        }
    }
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (std::stod(fields.at(11)) + std::stod(fields.at(12))) / ticks;
}

int CountInFile(const std::string& path, const std::string& text) {
    std::ifstream in(path);
    int count = 0;
    for (std::string line; std::getline(in, line);) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

std::unique_ptr<ChildProcess> StartSim(const std::string& link) {
    auto sim = std::make_unique<ChildProcess>(
        std::vector<std::string>{ProgramPath("vavirir-sim"), "live", "--interval-ms", "100",
                                 "--start-delay-ms", "0", "--link", link});
    if (!sim->ReadLine(5s)) {
        std::fprintf(stderr, "the simulator printed no terminal\n");
        std::exit(1);
    }
    return sim;
}

}  // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    double awaySeconds = 3.0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--away-seconds") == 0) {
            awaySeconds = std::max(0.5, std::atof(argv[i + 1]));
        }
    }
    const auto dir = std::filesystem::temp_directory_path() /
                     ("vavirir-bench-reconnect-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string link = (dir / "meter").string();
    const std::string cliErr = (dir / "cli.err").string();

    auto sim = StartSim(link);
    ChildProcess cli({ProgramPath("vavirir-cli"), "record", "--port", link, "--reconnect", "--out",
                      (dir / "out.txt").string()},
                     test_support::StderrTo(cliErr));
    std::this_thread::sleep_for(1s);

    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(0.0, 2.0);
    std::vector<double> delays;
    double awayCpu = 0;
    double awayWall = 0;
    for (int round = 0; round < rounds; ++round) {
        sim->Signal(SIGTERM);
        sim->Wait(5s);
        sim.reset();
        // Away for a while, at a random phase of the retry period.
        const double away = awaySeconds + jitter(random);
        const double cpuBefore = CpuSeconds(cli.Pid());
        const auto wallBefore = SteadyClock::now();
        std::this_thread::sleep_for(std::chrono::duration<double>(away));
        awayCpu += CpuSeconds(cli.Pid()) - cpuBefore;
        awayWall += std::chrono::duration<double>(SteadyClock::now() - wallBefore).count();

        const int connected = CountInFile(cliErr, "Connected to");
        sim = StartSim(link);
        const auto back = SteadyClock::now();
        while (CountInFile(cliErr, "Connected to") == connected) {
            if (SteadyClock::now() - back > 10s) {
                std::fprintf(stderr, "no reconnect within 10 s\n");
                return 1;
            }
            std::this_thread::sleep_for(2ms);
        }
        delays.push_back(
            std::chrono::duration<double, std::milli>(SteadyClock::now() - back).count());
    }
    cli.Signal(SIGINT);
    cli.Wait(10s);
    sim->Signal(SIGTERM);
    sim->Wait(5s);
    std::filesystem::remove_all(dir);

    std::sort(delays.begin(), delays.end());
    double sum = 0;
    for (double d : delays) {
        sum += d;
    }
    std::printf(
        "reopen after the device reappears: mean %.0f ms, max %.0f ms over %d rounds "
        "(target <= 2500 ms)\n",
        sum / static_cast<double>(delays.size()), delays.back(), rounds);
    std::printf("waiting to reconnect: %.1f ms CPU over %.1f s (%.3f %% of one core; target ~0)\n",
                awayCpu * 1000.0, awayWall, 100.0 * awayCpu / awayWall);
    return 0;
}
