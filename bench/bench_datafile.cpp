// Figures for saving, opening and exporting documents.
//
//   bench_datafile            all figures (20,000 and 1,000,000 records)
//   bench_datafile save1m     only save 1,000,000 records (for /usr/bin/time -v)
//   bench_datafile open1m     only open the file that save1m wrote
//
// Targets: 20,000 records saved, opened and exported in 50 ms each; 1,000,000
// records saved and opened in 2 s each with a peak memory of 400 MB at most.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "docview/DataFile.h"
#include "docview/Export.h"

namespace {

using Clock = std::chrono::steady_clock;

CRoZudozuvDoc MakeDocument(std::size_t records) {
    CRoZudozuvDoc doc;
    doc.channels[0].reserve(records);
    for (std::size_t i = 0; i < records; ++i) {
        const int second = static_cast<int>(i % 60);
        const int minute = static_cast<int>(i / 60 % 60);
        const int hour = static_cast<int>(i / 3600 % 24);
        doc.channels[0].push_back(CObData{12.3456 + static_cast<double>(i % 1000) * 0.001,
                                          i % 7 == 0 ? "KΩ" : "mVDC", 0.0,
                                          static_cast<std::int32_t>(i),
                                          "3/5/2018 " + std::to_string(hour) + ":" +
                                              std::to_string(minute) + ":" + std::to_string(second),
                                          "mVDC"});
    }
    doc.summary.dataNumber = static_cast<std::int32_t>(records);
    doc.summary.startTime = "3/5/2018 0:0:0";
    doc.summary.endTime = doc.channels[0].empty() ? "" : doc.channels[0].back().timeText;
    return doc;
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the process, so figures on a busy machine still mean something.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Wall and CPU time of one step.
class CStopwatch {
  public:
    double WallMs() const { return MillisecondsSince(m_wall); }
    double CpuMs() const { return CpuMilliseconds() - m_cpu; }

  private:
    Clock::time_point m_wall = Clock::now();
    double m_cpu = CpuMilliseconds();
};

long PeakMegabytes() {
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::string FilePath(std::size_t records) {
    return (std::filesystem::temp_directory_path() /
            ("vavirir-bench-" + std::to_string(records) + "-" + std::to_string(getuid()) + ".txt"))
        .string();
}

void Save(const CRoZudozuvDoc& doc, std::size_t records, double target) {
    const CStopwatch watch;
    if (const Status saved = SaveDocumentFile(doc, FilePath(records)); !saved) {
        throw std::runtime_error(saved.Message());
    }
    std::printf("save   %8zu records: %8.1f ms wall, %8.1f ms CPU (target %.0f ms), %ju bytes\n",
                records, watch.WallMs(), watch.CpuMs(), target,
                static_cast<std::uintmax_t>(std::filesystem::file_size(FilePath(records))));
}

void Open(std::size_t records, double target) {
    CRoZudozuvDoc doc;
    const CStopwatch watch;
    if (const Status loaded = LoadDocumentFile(FilePath(records), doc); !loaded) {
        throw std::runtime_error(loaded.Message());
    }
    std::printf("open   %8zu records: %8.1f ms wall, %8.1f ms CPU (target %.0f ms)\n",
                doc.channels[0].size(), watch.WallMs(), watch.CpuMs(), target);
}

void Export(const CRoZudozuvDoc& doc, double target) {
    const std::string path = FilePath(doc.channels[0].size()) + ".xls";
    const CStopwatch watch;
    if (const Status exported = ExportDocumentFile(doc, path); !exported) {
        throw std::runtime_error(exported.Message());
    }
    std::printf("export %8zu records: %8.1f ms wall, %8.1f ms CPU (target %.0f ms)\n",
                doc.channels[0].size(), watch.WallMs(), watch.CpuMs(), target);
    std::filesystem::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "all";
    try {
        if (mode == "save1m") {
            Save(MakeDocument(1'000'000), 1'000'000, 2000);
        } else if (mode == "open1m") {
            Open(1'000'000, 2000);
        } else if (mode == "all") {
            {
                const CRoZudozuvDoc small = MakeDocument(20'000);
                Save(small, 20'000, 50);
                Open(20'000, 50);
                Export(small, 50);
                std::filesystem::remove(FilePath(20'000));
            }
            Save(MakeDocument(1'000'000), 1'000'000, 2000);
            std::printf("peak memory after save: %ld MB\n", PeakMegabytes());
            Open(1'000'000, 2000);
            std::filesystem::remove(FilePath(1'000'000));
        } else {
            std::fprintf(stderr, "usage: bench_datafile [all|save1m|open1m]\n");
            return 2;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_datafile: %s\n", e.what());
        return 1;
    }
    std::printf("peak memory: %ld MB (target 400 MB)\n", PeakMegabytes());
    return 0;
}
