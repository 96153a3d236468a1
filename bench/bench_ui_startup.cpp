// Start-up of the desktop program to a shown main window, and the CPU the
// program uses while idle (demo meter off) and while the demo meter plays.
//
//   bench_ui_startup [IDLE_SECONDS]      (default 5; QT_QPA_PLATFORM=offscreen if unset)
//
// Targets: shown window within 1 s; idle CPU close to 0 %.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/MainFrame.h"
#include "app/RoZudozuvApp.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for `seconds`; returns the CPU seconds it took.
double CpuOverEventLoop(double seconds) {
    const double before = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return CpuSeconds() - before;
}

}  // namespace

int main(int argc, char** argv) {
    const double idleSeconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }

    QElapsedTimer startup;
    startup.start();
    int appArgc = 1;
    CRoZudozuvApp app(appArgc, argv);
    int exitCode = 0;
    if (!app.InitInstance(exitCode)) {
        return 1;
    }
    const qint64 constructed = startup.elapsed();
    while (!app.MainFrame()->isVisible()) {
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();  // first paint
    const qint64 shown = startup.elapsed();
    std::printf(
        "start-up: application and frame built in %lld ms, window shown in %lld ms "
        "(target <= 1000 ms)\n",
        static_cast<long long>(constructed), static_cast<long long>(shown));

    // Let the Com Port menu's first fill and other start-up work pass.
    CpuOverEventLoop(0.5);
    const double idle = CpuOverEventLoop(idleSeconds);
    std::printf(
        "idle, demo meter off: %.1f ms CPU over %.1f s = %.2f %% of one core "
        "(target about 0)\n",
        idle * 1000.0, idleSeconds, 100.0 * idle / idleSeconds);

    app.MainFrame()->StartDemoMeter();
    const double demo = CpuOverEventLoop(idleSeconds);
    app.MainFrame()->StopDemoMeter();
    std::printf("demo meter on: %.1f ms CPU over %.1f s = %.2f %% of one core\n", demo * 1000.0,
                idleSeconds, 100.0 * demo / idleSeconds);
    return 0;
}
