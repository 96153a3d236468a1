// Time to paint the real-time graph and to add one live reading to it, offscreen.
// Run: QT_QPA_PLATFORM=offscreen ./bench_ui_graph [iterations]
//
// Targets at 800 x 500: a full paint in 5 ms with 20,000 records and in 16 ms
// with 1,000,000 records read from a file; a live reading costs one segment;
// a drag step (pan or rubber band) with 1,000,000 records repaints in 16 ms.
// The first paint of a document also builds the graph's index of value
// extremes (one pass over the records); it is printed apart.

#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "display/GraphState.h"
#include "display/ui/GraphDlg.h"
#include "display/ui/GraphPainter.h"
#include "docview/DataFile.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A random walk, with its summary's extremes.
void FillWalk(CRoZudozuvDoc& doc, std::size_t records) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> step(-1.0, 1.0);
    double value = 0.0;
    doc.channels[0].reserve(records);
    for (std::size_t i = 0; i < records; ++i) {
        value += step(random);
        CObData record;
        record.value = value;
        record.unit = "VDC";
        record.sequence = static_cast<std::int32_t>(i);
        doc.channels[0].push_back(std::move(record));
        doc.summary.maximum = std::max(doc.summary.maximum, value);
        doc.summary.minimum = std::min(doc.summary.minimum, value);
    }
    doc.summary.dataNumber = static_cast<std::int32_t>(records);
}

void ShowRange(CGraphDlg& graph, const CRoZudozuvDoc& doc) {
    const GraphYRange range = YRangeForExtremes(doc.summary.maximum, doc.summary.minimum);
    graph.SetYRange(range.top, range.bottom);
}

// A full paint as the window does it: compose the picture, copy it.
double FullPaintMs(CGraphDlg& graph, const CRoZudozuvDoc& doc, int iterations) {
    ShowRange(graph, doc);
    graph.repaint();  // warm-up, and the X range grows to hold the records
    const auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) {
        graph.ResetView();  // asks for a full repaint
        graph.repaint();
    }
    return MsSince(start) / iterations;
}

void SendMouse(CGraphDlg& graph, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(graph.mapToGlobal(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&graph, &event);
}

// Mean time of one mouse move of a drag with the given tool and its repaint.
double DragStepMs(CGraphDlg& graph, GraphTool tool, int steps) {
    graph.SetTool(tool);
    const QPoint press(400, 250);
    SendMouse(graph, QEvent::MouseButtonPress, press, Qt::LeftButton);
    graph.repaint();
    const auto start = Clock::now();
    for (int i = 0; i < steps; ++i) {
        // To and fro, so a pan never runs into the end of the range.
        const int offset = (i % 40 < 20 ? i % 20 : 20 - i % 20) * 5;
        SendMouse(graph, QEvent::MouseMove, press + QPoint(offset, offset / 2), Qt::LeftButton);
        graph.repaint();
    }
    const double ms = MsSince(start) / steps;
    SendMouse(graph, QEvent::MouseButtonRelease, press, Qt::NoButton);
    return ms;
}

void Report(const char* what, double ms, double target) {
    std::printf("%s: %.3f ms (target %.1f ms) %s\n", what, ms, target,
                ms <= target ? "OK" : "SLOW");
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;

    CGraphDlg graph;
    graph.resize(800, 500);
    graph.show();
    QApplication::processEvents();

    CRoZudozuvDoc small;
    FillWalk(small, 20000);
    small.SetRole(DocumentRole::NotRecording);
    graph.SetDocument(&small);
    Report("full paint, 20,000 records", FullPaintMs(graph, small, iterations), 5.0);

    // One million records written to a file and read back, as the program opens them.
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("vavirir-bench-graph-" + std::to_string(getpid()) + ".txt");
    {
        CRoZudozuvDoc written;
        FillWalk(written, 1000000);
        SaveDocumentFile(written, path.string());
    }
    CRoZudozuvDoc large;
    LoadDocumentFile(path.string(), large);
    std::filesystem::remove(path);
    graph.SetDocument(&large);
    ShowRange(graph, large);
    const auto first = Clock::now();
    graph.repaint();
    std::printf("first paint, 1,000,000 records (one pass builds the value index): %.3f ms\n",
                MsSince(first));
    Report("full paint, 1,000,000 records from a file",
           FullPaintMs(graph, large, std::max(1, iterations / 5)), 16.0);

    // Copy Graph renders a fresh picture of the client area; the clipboard
    // then only takes the image.
    const int copies = std::max(1, iterations / 5);
    const auto copyStart = Clock::now();
    for (int i = 0; i < copies; ++i) {
        const QImage picture = graph.RenderClientImage();
        if (picture.isNull()) {
            std::printf("Copy Graph rendered nothing\n");
        }
    }
    Report("Copy Graph picture, 1,000,000 records", MsSince(copyStart) / copies, 50.0);

    // Dragging over the million records, zoomed to the middle tenth of them so
    // the pan has room: every pan step composes a new picture, a rubber band
    // step only draws its rectangle over the kept one.
    graph.ResetView();
    graph.repaint();
    graph.SetTool(GraphTool::XZoom);
    SendMouse(graph, QEvent::MouseButtonPress, QPoint(50 + 315, 250), Qt::LeftButton);
    SendMouse(graph, QEvent::MouseButtonRelease, QPoint(50 + 385, 250), Qt::NoButton);
    const int dragSteps = std::max(10, iterations);
    Report("pan step (move and repaint), 1,000,000 records",
           DragStepMs(graph, GraphTool::Move, dragSteps), 16.0);
    Report("rubber band step (move and repaint), 1,000,000 records",
           DragStepMs(graph, GraphTool::RectZoom, dragSteps), 16.0);

    // Live readings into a 20,000-record document: the X range already holds
    // the next ones, so each costs one segment into the kept picture and the
    // copy of that rectangle to the window.
    CRoZudozuvDoc live;
    FillWalk(live, 20000);
    graph.SetDocument(&live);
    ShowRange(graph, live);
    graph.repaint();
    const int readings = std::min(1000, static_cast<int>(graph.State().lines[0].xEnd) - 20000);
    double drawMs = 0.0;
    double shownMs = 0.0;
    for (int i = 0; i < readings; ++i) {
        CObData record = live.channels[0].back();
        record.sequence += 1;
        live.channels[0].push_back(record);
        const auto start = Clock::now();
        graph.DrawNewestSegment();
        ShowRange(graph, live);  // the live dispatch sets the range after each reading
        drawMs += MsSince(start);
        QApplication::processEvents();
        shownMs += MsSince(start);
    }
    std::printf("live readings measured: %d\n", readings);
    Report("live reading on the graph (segment and unchanged Y range), 20,000 records",
           drawMs / readings, 0.5);
    Report("the same and the repaint of the segment's rectangle", shownMs / readings, 0.5);
    return 0;
}
