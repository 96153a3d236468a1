// Time and memory of printing the data table of a long recording to PDF
// (offscreen). Run: QT_QPA_PLATFORM=offscreen ./bench_ui_print
// Target: 20,000 records (some 300 pages) in at most 5 s, with memory not
// growing per page: the peak resident size after 20,000 records should be
// about that after 2,000.
#include <sys/resource.h>

#include <QApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPrinter>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "docview/ui/PrintRX.h"

namespace {

using Clock = std::chrono::steady_clock;

long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

CRoZudozuvDoc Recording(int count) {
    CRoZudozuvDoc doc;
    doc.channels[0].reserve(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        CObData record;
        record.value = 0.01 * (k % 997) - 3.0;
        record.unit = "VDC";
        record.timeText = "8/12/2026 " + std::to_string(k / 3600 % 24) + ":" +
                          std::to_string(k / 60 % 60) + ":" + std::to_string(k % 60);
        doc.channels[0].push_back(record);
    }
    doc.summary.startTime = doc.channels[0].front().timeText;
    doc.summary.endTime = doc.channels[0].back().timeText;
    return doc;
}

double PrintMs(const CRoZudozuvDoc& doc, const std::string& path) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setResolution(600);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(path));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    const auto start = Clock::now();
    if (!PrintDataTable(printer, doc)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const std::string path =
        (std::filesystem::temp_directory_path() / "vavirir-bench-print.pdf").string();
    for (int count : {2000, 20000}) {
        const CRoZudozuvDoc doc = Recording(count);
        const long before = PeakResidentKb();
        const double ms = PrintMs(doc, path);
        std::printf("%6d records: %8.1f ms, %7.1f MB PDF, peak resident %ld kB (%+ld kB)\n", count,
                    ms, static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                    PeakResidentKb(), PeakResidentKb() - before);
    }
    std::filesystem::remove(path);
    return 0;
}
