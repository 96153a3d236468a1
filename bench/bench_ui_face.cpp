// Time to compose one meter face and show it in the panel, offscreen.
// Run: QT_QPA_PLATFORM=offscreen ./bench_ui_face [iterations]

#include <QApplication>
#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "decode/Clock.h"
#include "display/FaceLayout.h"
#include "display/ui/LeftDlg.h"
#include "display/ui/Resources.h"

namespace {

MeterReading SampleReading(FaceNumber face) {
    MeterReading r;
    r.function = "VDC";
    r.unit = face == FaceNumber::Frequency ? "KHZ" : "VDC";
    r.value = 1.2345f;
    r.limit = 5.0f;
    r.decimals = 4;
    r.autoRange = true;
    r.hold = true;
    r.maxValue = 2.5f;
    r.minValue = -0.5f;
    r.avgValue = 1.1f;
    r.maxUnit = r.minUnit = r.avgUnit = "VDC";
    r.maxDecimals = r.minDecimals = r.avgDecimals = 4;
    r.maxTime = "00:01:15";
    r.minTime = "00:00:09";
    r.avgTime = "00:02:00";
    r.startText = "07/12/26 09:05:09 pm";
    r.reference = 1.0f;
    r.relative = 0.2345f;
    r.secondValue = 0.25f;
    r.secondUnit = "VAC";
    r.acdcMode = 3;
    r.auxValue = 50.0f;
    r.auxText = "Hz  ";
    r.duty = 49.5f;
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    InitVavirirResources();
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500;

    FixedClock clock(MakeLocalTime(2026, 3, 7, 13, 5, 0));
    const auto created = std::chrono::steady_clock::now();
    CLeftDlg panel(nullptr, &clock);
    panel.resize(panel.sizeHint());
    const double loadMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - created)
            .count();
    std::printf("panel creation (all pictures rendered once): %.1f ms\n", loadMs);

    // "Shown" = the widget paints itself into a window-sized image, which is
    // what a repaint after a reading costs.
    QImage screen(panel.size(), QImage::Format_RGB32);
    double worst = 0.0;
    for (int number = ToNumber(FaceNumber::Standard); number <= ToNumber(FaceNumber::Frequency);
         ++number) {
        const auto face = static_cast<FaceNumber>(number);
        const MeterReading reading = SampleReading(face);
        panel.ShowReading(reading, face, DialPosition::VoltsDc);
        panel.render(&screen);  // warm-up
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < iterations; ++i) {
            panel.ShowReading(reading, face, DialPosition::VoltsDc);
            panel.render(&screen);
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count() /
            iterations;
        worst = std::max(worst, ms);
        std::printf("face %d: %.3f ms per reading (compose + show)\n", number, ms);
    }
    std::printf("slowest face: %.3f ms (target 2 ms) %s\n", worst, worst <= 2.0 ? "OK" : "SLOW");
    return 0;
}
