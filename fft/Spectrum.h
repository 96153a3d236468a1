#pragma once
// The spectrum of a stretch of recorded readings, as the FFT analysis dialog
// and `vavirir-cli fft` compute it: the power spectrum averaged over segments
// in dB, or the frequency spectrum (magnitudes) of one block.
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/ObData.h"
#include "common/Result.h"
#include "fft/Fft.h"

enum class SpectrumKind { Power, Frequency };

inline constexpr int kSpectrumSmallestSize = 32;
inline constexpr int kSpectrumLargestSize = 2048;
inline constexpr int kSpectrumOverlap = 16;
inline constexpr int kSpectrumDefaultSegments = 16;
inline constexpr int kSpectrumLargestSegments = 512;
inline constexpr const char* kSpectrumMemoryError = "Failed to new memory!";

// True for 32, 64, ... 2048.
bool IsSpectrumSize(int size);

// The buffers of one analysis, sized once for the largest case so that a run
// allocates nothing: 4097 work samples and magnitudes, 2048 power values and
// 1040400 series values.
struct SpectrumBuffers {
    static constexpr std::size_t kWorkLength = 4097;
    static constexpr std::size_t kPowerLength = 2048;
    static constexpr std::size_t kSeriesLength = 1040400;

    std::vector<ComplexSample> work;
    std::vector<double> magnitude;
    std::vector<double> power;
    std::vector<double> series;
};

// Allocates zeroed buffers; null when memory is short.
std::unique_ptr<SpectrumBuffers> AllocateSpectrumBuffers();

struct SpectrumRequest {
    int start = 0;   // first record of the range (channel 0)
    int finish = 0;  // last record of the range, start < finish
    int size = 32;   // N, a power of two from 32 to 2048
    FftWindow window = FftWindow::None;
    SpectrumKind kind = SpectrumKind::Power;
    int segments = kSpectrumDefaultSegments;  // power spectrum only, 16 … 512
};

struct Spectrum {
    int size = 32;
    SpectrumKind kind = SpectrumKind::Power;
    FftWindow window = FftWindow::None;
    int segments = kSpectrumDefaultSegments;
    int total = 512;    // samples spanned by all segments
    double peak = 0.0;  // largest |bin|, at least 1e-90
    // The N/2 power values in dB or the N magnitudes, inside the buffers.
    std::span<const double> bins;
};

// Largest x-axis label of a spectrum of size N: N/2 for the power spectrum,
// 2N for the frequency spectrum.
int SpectrumAxisMax(SpectrumKind kind, int size);

// Reads min(finish - start, N) + 1 records from start into the zeroed work
// buffer (only the first N enter the transforms) and computes the spectrum.
// An invalid request (range outside records or empty, bad size or segment
// count) gives its message and leaves the buffers alone.
Result<Spectrum> RunSpectrum(std::span<const CObData> records, const SpectrumRequest& request,
                             SpectrumBuffers& buffers);

// The same with buffers of its own; kSpectrumMemoryError when they cannot be
// allocated. The spectrum's bins are copied into bins.
Result<Spectrum> RunSpectrum(std::span<const CObData> records, const SpectrumRequest& request,
                             std::vector<double>& bins);
