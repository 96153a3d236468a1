#pragma once
// Window functions and an in-place radix-2 FFT over single-precision complex
// samples: the forward DFT, unscaled, by decimation in frequency.
#include <span>
#include <string>

// One element of the FFT buffers: real part, then imaginary part (8 bytes).
struct ComplexSample {
    float real = 0.0f;
    float imag = 0.0f;
};

// Window codes as the FFT dialog's list passes them.
enum class FftWindow : int {
    None = -1,
    Hamming = 0,
    Hanning = 1,
    Triangle = 2,
    Blackman = 3,
    BlackmanHarris4 = 4,
};

// The name shown in the dialog's list ("None", "Hamming", ... "4 term Blackman-Harris").
std::string FftWindowName(FftWindow window);

// Weight w(i) of a window over n samples, in double precision. A window of a
// single sample weighs 1. Throws std::invalid_argument for an unknown code.
double WindowWeight(FftWindow window, int i, int n);

// Multiplies the real and imaginary part of every sample by its weight;
// FftWindow::None leaves the samples alone. Weights are kept for the last
// window and length used, so a repeated call costs no cosines.
void ApplyWindow(FftWindow window, std::span<ComplexSample> samples);

// Transforms the first n = 2^m samples in place: sample k becomes
// X[k] = sum over t of x[t] * e^(-2 pi i k t / n), in natural order, unscaled.
// m = 0 leaves the samples unchanged. The twiddle table is built once per
// length and kept for the life of the process; a mutex guards it, so calls
// from several threads are safe (they run one at a time). Throws
// std::invalid_argument when m is outside 0..30 or the buffer is shorter than
// 2^m. If the table cannot be allocated the process ends with status 1.
void Fft(std::span<ComplexSample> samples, int m);

// How many times the twiddle table has been built since start-up (it is
// rebuilt only when the transform length changes).
long FftTableBuilds();
