// Figures for the document window, offscreen.
//
//   bench_ui_view             both figures below
//   bench_ui_view live        GUI-thread time of one live reading (decode, face,
//                             list row, graph segment, summary, repaint) with
//                             20,000 records in the document
//   bench_ui_view open1m      time and peak memory of opening a 1,000,000-record
//                             file into a window (read, list model, first paint)
//                             and of scrolling its list to the end
//
// Targets: a live reading in 0.5 ms; the 1,000,000-record file in 1.5 s with a
// peak memory of 250 MB at most.
#include <QApplication>
#include <QScrollBar>
#include <QTabBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ChildFrame.h"
#include "app/MainFrame.h"
#include "common/ui/CommandIds.h"
#include "display/ui/Resources.h"
#include "docview/DataFile.h"
#include "docview/ui/DataListModel.h"
#include "frames/FrameEncoder.h"
#include "record/ListRows.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Peak resident memory of this process so far, in MB.
double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

// A link that is always open and never receives: the benchmark feeds the
// frame itself.
class CSilentLink : public IMeterLink {
  public:
    bool Open(const std::string&, ReceiveFn, LostFn, std::string&) override { return true; }
    void Close() override {}
    bool IsOpen() const override { return true; }
    int Write(const std::uint8_t*, std::size_t count) override { return static_cast<int>(count); }
    int ReadSize() const override { return 100; }
    void SetReadSize(int) override {}
};

std::unique_ptr<CMainFrame> MakeFrame(const IClock& clock) {
    MainFrameOptions options;
    options.link = std::make_unique<CSilentLink>();
    options.clock = &clock;
    options.discoverPorts = [] { return std::vector<std::string>{}; };
    options.deviceFolder.clear();
    auto frame = std::make_unique<CMainFrame>(std::move(options));
    frame->resize(1280, 900);
    frame->show();
    QCoreApplication::processEvents();
    return frame;
}

std::vector<std::uint8_t> VdcFrame(float value) {
    frames::PlainFrame frame;
    frame.value = value;
    return frames::Encode(frame);
}

void Feed(CMainFrame& frame, const std::vector<std::uint8_t>& bytes) {
    frame.OnReceiveBytes(bytes.data(), bytes.size());
}

// Mean, median and 99th percentile of a series of times.
std::string Describe(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    double sum = 0.0;
    for (double t : times) {
        sum += t;
    }
    char text[128];
    std::snprintf(text, sizeof text, "mean %.3f ms, median %.3f ms, p99 %.3f ms",
                  sum / static_cast<double>(times.size()), times[times.size() / 2],
                  times[times.size() * 99 / 100]);
    return text;
}

void ShowTab(CChildFrame& child, int tab) {
    child.View().Tabs()->setCurrentIndex(tab);
    QCoreApplication::processEvents();
}

void BenchLive() {
    FixedClock clock(1'700'000'000);
    std::unique_ptr<CMainFrame> frame = MakeFrame(clock);
    Feed(*frame, VdcFrame(0.0f));
    frame->RunCommand(cmd::kStart);
    CChildFrame& child = *frame->Children().at(0);

    // The document already holds 19,000 readings (and their rows); 500 more
    // are timed, one at a time, each followed by the repaint it causes.
    constexpr int kPrefilled = 18400;
    constexpr int kTimed = 500;
    CRoZudozuvView& view = child.View();
    MeterReading current;
    current.limit = 6.0f;
    for (int i = 0; i < kPrefilled; ++i) {
        const double value = 2.0 + 2.0 * std::sin(i * 0.01);
        view.Document().AddReading(0, value, "VDC", 0.0, i, "14/11/2023 22:13:20", "VDC", current,
                                   false, RecordOrigin::Live, 3);
    }
    QCoreApplication::processEvents();

    std::printf("live reading with %d..%d records in the document (target 0.5 ms):\n", kPrefilled,
                kPrefilled + 2 * kTimed);
    for (int tab : {0, 1, 2}) {
        ShowTab(child, tab);
        std::vector<double> handled;
        std::vector<double> total;
        for (int i = 0; i < kTimed; ++i) {
            const auto bytes = VdcFrame(2.0f + 0.001f * static_cast<float>(i % 1000));
            const auto start = Clock::now();
            Feed(*frame, bytes);
            handled.push_back(MsSince(start));
            QCoreApplication::processEvents();
            total.push_back(MsSince(start));
        }
        // Views repaint at most every CRoZudozuvView::kRepaintMs: the repaint
        // still due after the last reading counts too.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * CRoZudozuvView::kRepaintMs));
        const auto last = Clock::now();
        QCoreApplication::processEvents();
        total.back() += MsSince(last);
        const char* names[] = {"Graph", "Data List", "Summary"};
        std::printf("  %-9s tab shown: handling %s; with the repaint %s\n", names[tab],
                    Describe(handled).c_str(), Describe(total).c_str());
    }
    std::printf("  records in the document at the end: %zu\n", view.Document().channels[0].size());
}

std::string MillionRecordPath() {
    return (std::filesystem::temp_directory_path() / "vavirir_bench_view_1m.txt").string();
}

void WriteMillionRecordFile() {
    CRoZudozuvDoc doc;
    constexpr std::size_t kRecords = 1'000'000;
    doc.channels[0].reserve(kRecords);
    for (std::size_t i = 0; i < kRecords; ++i) {
        const int second = static_cast<int>(i % 60);
        const int minute = static_cast<int>(i / 60 % 60);
        doc.channels[0].push_back(CObData{2.0 + 2.0 * std::sin(static_cast<double>(i) * 0.001),
                                          "VDC", 0.0, static_cast<std::int32_t>(i),
                                          "7/12/2026 " + std::to_string(10 + i / 3600 % 10) + ":" +
                                              std::to_string(minute) + ":" + std::to_string(second),
                                          "VDC"});
    }
    doc.summary.maximum = 4.0;
    doc.summary.minimum = 0.0;
    doc.summary.dataNumber = static_cast<std::int32_t>(kRecords);
    SaveDocumentFile(doc, MillionRecordPath());
}

void BenchOpenMillion(const std::string& path) {
    FixedClock clock(1'700'000'000);
    std::unique_ptr<CMainFrame> frame = MakeFrame(clock);
    const double before = PeakMemoryMb();

    const auto start = Clock::now();
    if (!frame->OpenDocumentFile(QString::fromStdString(path))) {
        std::printf("could not open %s\n", path.c_str());
        return;
    }
    const double opened = MsSince(start);
    frame->repaint();
    QCoreApplication::processEvents();
    const double painted = MsSince(start);

    CChildFrame& child = *frame->Children().at(0);
    ShowTab(child, 1);
    const auto scrollStart = Clock::now();
    child.View().List()->scrollToBottom();
    child.View().List()->repaint();
    QCoreApplication::processEvents();
    const double scrolled = MsSince(scrollStart);

    std::printf("open 1,000,000 records into a window (target 1.5 s, 250 MB):\n");
    std::printf("  read and list model %.0f ms, with the first paint %.0f ms\n", opened, painted);
    std::printf("  list rows %d, scroll the list to its end and paint %.1f ms\n",
                child.View().ListModel()->rowCount(), scrolled);
    std::printf("  peak memory %.0f MB (%.0f MB before opening)\n", PeakMemoryMb(), before);
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const std::string mode = argc > 1 ? argv[1] : "all";
    if (mode == "write1m") {
        WriteMillionRecordFile();
        return 0;
    }
    if (mode != "all" && mode != "live" && mode != "open1m") {
        std::fprintf(stderr, "usage: bench_ui_view [all|live|open1m]\n");
        return 2;
    }
    QApplication app(argc, argv);
    InitVavirirResources();
    if (mode == "all" || mode == "live") {
        BenchLive();
    }
    if (mode == "all" || mode == "open1m") {
        // The file is written by a second run of this program, so that
        // writing it does not count towards the peak memory of opening it.
        const std::string writer = std::string(argv[0]) + " write1m";
        if (std::system(writer.c_str()) != 0) {
            std::fprintf(stderr, "could not write the 1,000,000-record file\n");
            return 1;
        }
        BenchOpenMillion(MillionRecordPath());
        std::filesystem::remove(MillionRecordPath());
    }
    return 0;
}
