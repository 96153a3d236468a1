#include "fft/Fft.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr int kMaxStages = 30;

double TwoPi() {
    return 8.0 * std::atan(1.0);
}

// The process-wide twiddle table: W[j - 1] = e^(-i pi j / (n/2)), j = 1 .. n/2 - 1.
struct TwiddleCache {
    std::mutex mutex;
    int stages = 0;
    std::vector<ComplexSample> table;
    long builds = 0;
};

TwiddleCache& Twiddles() {
    static TwiddleCache cache;
    return cache;
}

// Weights of the last window applied, so repeated transforms of one length
// compute no cosines.
struct WindowCache {
    std::mutex mutex;
    FftWindow window = FftWindow::None;
    std::vector<double> weights;
};

WindowCache& Windows() {
    static WindowCache cache;
    return cache;
}

void BuildTwiddles(TwiddleCache& cache, int m) {
    const std::size_t n = std::size_t{1} << m;
    const std::size_t count = n / 2 - 1;
    try {
        cache.table.assign(count, ComplexSample{});
    } catch (const std::bad_alloc&) {
        std::fputs("\nUnable to allocate complex W array\n", stdout);
        std::fflush(stdout);
        std::exit(1);
    }
    // Complex recurrence in double precision: c = w^j.
    const double theta = 4.0 * std::atan(1.0) / static_cast<double>(n / 2);
    const double wr = std::cos(theta);
    const double wi = -std::sin(theta);
    double cr = wr;
    double ci = wi;
    for (std::size_t j = 0; j < count; ++j) {
        cache.table[j] = {static_cast<float>(cr), static_cast<float>(ci)};
        const double nr = cr * wr - ci * wi;
        ci = cr * wi + ci * wr;
        cr = nr;
    }
    ++cache.builds;
}

void Butterflies(ComplexSample* x, std::size_t n, int m, const ComplexSample* w) {
    std::size_t le = n;
    std::size_t step = 1;
    for (int stage = 0; stage < m; ++stage) {
        le /= 2;
        for (std::size_t i = 0; i < n; i += 2 * le) {
            const ComplexSample a = x[i];
            const ComplexSample b = x[i + le];
            x[i] = {a.real + b.real, a.imag + b.imag};
            x[i + le] = {a.real - b.real, a.imag - b.imag};
        }
        for (std::size_t j = 1; j < le; ++j) {
            const ComplexSample u = w[step * j - 1];
            for (std::size_t i = j; i < n; i += 2 * le) {
                const ComplexSample a = x[i];
                const ComplexSample b = x[i + le];
                const float dr = a.real - b.real;
                const float di = a.imag - b.imag;
                x[i] = {a.real + b.real, a.imag + b.imag};
                x[i + le] = {dr * u.real - di * u.imag, dr * u.imag + di * u.real};
            }
        }
        step *= 2;
    }
}

void BitReverse(ComplexSample* x, std::size_t n) {
    std::size_t j = 0;
    for (std::size_t i = 1; i + 1 < n; ++i) {
        std::size_t k = n / 2;
        while (k <= j) {
            j -= k;
            k /= 2;
        }
        j += k;
        if (i < j) {
            std::swap(x[i], x[j]);
        }
    }
}

}  // namespace

std::string FftWindowName(FftWindow window) {
    switch (window) {
        case FftWindow::None:
            return "None";
        case FftWindow::Hamming:
            return "Hamming";
        case FftWindow::Hanning:
            return "Hanning";
        case FftWindow::Triangle:
            return "Triangle";
        case FftWindow::Blackman:
            return "Blackman";
        case FftWindow::BlackmanHarris4:
            return "4 term Blackman-Harris";
    }
    throw std::invalid_argument("unknown window code " + std::to_string(static_cast<int>(window)));
}

double WindowWeight(FftWindow window, int i, int n) {
    if (window == FftWindow::None) {
        return 1.0;
    }
    if (n <= 1) {
        // A one-sample window would divide by n - 1 = 0; it weighs 1 instead.
        FftWindowName(window);  // still rejects an unknown code
        return 1.0;
    }
    const double twoPi = TwoPi();
    const double span = static_cast<double>(n - 1);
    switch (window) {
        case FftWindow::Hamming:
            return 0.54 - 0.46 * std::cos(twoPi * i / span);
        case FftWindow::Hanning:
            return 0.5 - 0.5 * std::cos(twoPi * i / span);
        case FftWindow::Triangle: {
            const double a = 2.0 / span;
            const int half = (n - 1) / 2;
            return i <= half ? a * i : 2.0 - a * i;
        }
        case FftWindow::Blackman:
            return 0.42 - 0.5 * std::cos(twoPi * i / span) +
                   0.08 * std::cos(2.0 * twoPi * i / span);
        case FftWindow::BlackmanHarris4: {
            const double x = twoPi * i / n;
            return 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2.0 * x) -
                   0.01168 * std::cos(3.0 * x);
        }
        case FftWindow::None:
            break;
    }
    throw std::invalid_argument("unknown window code " + std::to_string(static_cast<int>(window)));
}

void ApplyWindow(FftWindow window, std::span<ComplexSample> samples) {
    if (window == FftWindow::None) {
        return;
    }
    const int n = static_cast<int>(samples.size());
    WindowCache& cache = Windows();
    std::lock_guard lock(cache.mutex);
    if (cache.window != window || cache.weights.size() != samples.size()) {
        std::vector<double> weights(samples.size());
        for (int i = 0; i < n; ++i) {
            weights[static_cast<std::size_t>(i)] = WindowWeight(window, i, n);
        }
        cache.weights = std::move(weights);
        cache.window = window;
    }
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double w = cache.weights[i];
        samples[i].real = static_cast<float>(samples[i].real * w);
        samples[i].imag = static_cast<float>(samples[i].imag * w);
    }
}

void Fft(std::span<ComplexSample> samples, int m) {
    if (m < 0 || m > kMaxStages) {
        throw std::invalid_argument("FFT stage count outside 0..30: " + std::to_string(m));
    }
    const std::size_t n = std::size_t{1} << m;
    if (samples.size() < n) {
        throw std::invalid_argument("FFT buffer shorter than 2^m samples");
    }
    TwiddleCache& cache = Twiddles();
    std::lock_guard lock(cache.mutex);
    if (m != cache.stages) {
        cache.table.clear();
        cache.table.shrink_to_fit();
        cache.stages = m;
        if (m == 0) {
            return;
        }
        BuildTwiddles(cache, m);
    }
    Butterflies(samples.data(), n, m, cache.table.data());
    BitReverse(samples.data(), n);
}

long FftTableBuilds() {
    TwiddleCache& cache = Twiddles();
    std::lock_guard lock(cache.mutex);
    return cache.builds;
}
