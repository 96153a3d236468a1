#include "fft/Spectrum.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace {

constexpr double kPowerFloor = 1e-14;
constexpr double kSmallestPeak = 1e-90;

int Log2(int n) {
    int m = 0;
    while ((1 << m) < n) {
        ++m;
    }
    return m;
}

bool IsSegmentCount(int segments) {
    return segments >= kSpectrumDefaultSegments && segments <= kSpectrumLargestSegments &&
           (segments & (segments - 1)) == 0;
}

std::string CheckRequest(std::size_t recordCount, const SpectrumRequest& r) {
    if (!IsSpectrumSize(r.size)) {
        return "FFT size must be a power of two from 32 to 2048";
    }
    if (!IsSegmentCount(r.segments)) {
        return "segment count must be a power of two from 16 to 512";
    }
    if (r.start < 0 || r.start >= r.finish || static_cast<std::size_t>(r.finish) >= recordCount) {
        return "the range must satisfy 0 <= start < finish < number of records";
    }
    return {};
}

double PeakOf(std::span<const double> bins) {
    double peak = kSmallestPeak;
    for (double bin : bins) {
        peak = std::max(peak, std::abs(bin));
    }
    return peak;
}

// Segment s starts (N - overlap) * s samples into the series; the segments'
// powers are averaged and turned into dB with a floor of -140 dB.
void PowerSpectrum(SpectrumBuffers& b, int n, FftWindow window, int segments) {
    const std::size_t size = static_cast<std::size_t>(n);
    const std::span<ComplexSample> work(b.work.data(), size);
    const double n2 = static_cast<double>(n) * static_cast<double>(n);
    std::fill_n(b.power.begin(), size / 2, 0.0);
    std::vector<double>& power = b.power;
    for (int s = 0; s < segments; ++s) {
        const std::size_t offset =
            static_cast<std::size_t>(n - kSpectrumOverlap) * static_cast<std::size_t>(s);
        for (std::size_t k = 0; k < size; ++k) {
            work[k] = {static_cast<float>(b.series[offset + k]), 0.0f};
        }
        ApplyWindow(window, work);
        Fft(work, Log2(n));
        // Only the lower half is kept; the upper half mirrors it.
        for (std::size_t k = 0; k < size / 2; ++k) {
            const double re = work[k].real;
            const double im = work[k].imag;
            power[k] += (re * re + im * im) / n2;
        }
    }
    for (std::size_t k = 0; k < size / 2; ++k) {
        const double mean = power[k] / segments;
        power[k] = 10.0 * std::log10(mean > kPowerFloor ? mean : kPowerFloor);
    }
}

void FrequencySpectrum(SpectrumBuffers& b, int n, FftWindow window) {
    const std::size_t size = static_cast<std::size_t>(n);
    const std::span<ComplexSample> work(b.work.data(), size);
    ApplyWindow(window, work);
    Fft(work, Log2(n));
    for (std::size_t k = 0; k < size; ++k) {
        const float re = work[k].real;
        const float im = work[k].imag;
        b.magnitude[k] = std::sqrt(re * re + im * im);
    }
}

}  // namespace

bool IsSpectrumSize(int size) {
    return size >= kSpectrumSmallestSize && size <= kSpectrumLargestSize &&
           (size & (size - 1)) == 0;
}

std::unique_ptr<SpectrumBuffers> AllocateSpectrumBuffers() {
    try {
        auto buffers = std::make_unique<SpectrumBuffers>();
        buffers->work.assign(SpectrumBuffers::kWorkLength, ComplexSample{});
        buffers->magnitude.assign(SpectrumBuffers::kWorkLength, 0.0);
        buffers->power.assign(SpectrumBuffers::kPowerLength, 0.0);
        buffers->series.assign(SpectrumBuffers::kSeriesLength, 0.0);
        return buffers;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

int SpectrumAxisMax(SpectrumKind kind, int size) {
    return kind == SpectrumKind::Power ? size / 2 : 2 * size;
}

Result<Spectrum> RunSpectrum(std::span<const CObData> records, const SpectrumRequest& request,
                             SpectrumBuffers& buffers) {
    if (std::string refused = CheckRequest(records.size(), request); !refused.empty()) {
        return Error{std::move(refused)};
    }
    Spectrum result;
    const int n = request.size;
    const std::size_t size = static_cast<std::size_t>(n);
    result.size = n;
    result.kind = request.kind;
    result.window = request.window;
    result.segments = request.segments;
    result.total = (n - kSpectrumOverlap) * (request.segments - 1) + n;

    // Every buffer starts from zero. No run writes the series beyond the
    // largest N, so the rest of it is still zero from its allocation.
    std::fill(buffers.work.begin(), buffers.work.end(), ComplexSample{});
    std::fill(buffers.magnitude.begin(), buffers.magnitude.end(), 0.0);
    std::fill(buffers.power.begin(), buffers.power.end(), 0.0);
    std::fill_n(buffers.series.begin(), kSpectrumLargestSize, 0.0);

    const int count = std::min(request.finish - request.start, n);
    for (int j = 0; j <= count; ++j) {
        const CObData& record = records[static_cast<std::size_t>(request.start + j)];
        buffers.work[static_cast<std::size_t>(j)] = {static_cast<float>(record.value), 0.0f};
    }

    if (request.kind == SpectrumKind::Power) {
        for (std::size_t k = 0; k < size; ++k) {
            buffers.series[k] = buffers.work[k].real;
        }
        PowerSpectrum(buffers, n, request.window, request.segments);
        result.bins = std::span<const double>(buffers.power.data(), size / 2);
    } else {
        FrequencySpectrum(buffers, n, request.window);
        result.bins = std::span<const double>(buffers.magnitude.data(), size);
    }
    result.peak = PeakOf(result.bins);
    return result;
}

Result<Spectrum> RunSpectrum(std::span<const CObData> records, const SpectrumRequest& request,
                             std::vector<double>& bins) {
    const std::unique_ptr<SpectrumBuffers> buffers = AllocateSpectrumBuffers();
    if (!buffers) {
        return Error{kSpectrumMemoryError};
    }
    Result<Spectrum> result = RunSpectrum(records, request, *buffers);
    if (result) {
        bins.assign(result->bins.begin(), result->bins.end());
        result->bins = bins;
    }
    return result;
}
