// Times a windowed 2048-point FFT, the largest the FFT dialog asks for.
// Target: at most 50 microseconds per transform including the window.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "fft/Fft.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<ComplexSample> Signal(std::size_t n) {
    std::vector<ComplexSample> x(n);
    for (std::size_t t = 0; t < n; ++t) {
        x[t].real = static_cast<float>(std::sin(0.05 * static_cast<double>(t)) +
                                       0.3 * std::sin(0.7 * static_cast<double>(t)));
    }
    return x;
}

double Microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main() {
    constexpr int kStages = 11;
    constexpr std::size_t kLength = std::size_t{1} << kStages;
    constexpr int kRuns = 2000;
    const std::vector<ComplexSample> input = Signal(kLength);

    std::vector<ComplexSample> x = input;
    const auto coldStart = Clock::now();
    ApplyWindow(FftWindow::BlackmanHarris4, x);
    Fft(x, kStages);
    const double cold = Microseconds(Clock::now() - coldStart);

    for (FftWindow window : {FftWindow::None, FftWindow::Hanning, FftWindow::BlackmanHarris4}) {
        std::vector<double> times;
        times.reserve(kRuns);
        for (int run = 0; run < kRuns; ++run) {
            x = input;
            const auto start = Clock::now();
            ApplyWindow(window, x);
            Fft(x, kStages);
            times.push_back(Microseconds(Clock::now() - start));
        }
        std::sort(times.begin(), times.end());
        std::printf("fft 2048 window %-24s median %7.2f us  p95 %7.2f us  (target <= 50 us)\n",
                    FftWindowName(window).c_str(), times[times.size() / 2],
                    times[times.size() * 95 / 100]);
    }
    std::printf("fft 2048 first call (builds the tables)  %7.2f us\n", cold);
    return 0;
}
