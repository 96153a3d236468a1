#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "fft/Spectrum.h"

namespace {

const double kPi = std::acos(-1.0);

std::vector<CObData> Records(const std::vector<double>& values) {
    std::vector<CObData> records(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        records[i].value = values[i];
    }
    return records;
}

// |DFT| of 32 samples, zero-padded, in double precision.
std::vector<double> Magnitudes32(std::vector<double> x) {
    x.resize(32, 0.0);
    std::vector<double> out(32);
    for (int k = 0; k < 32; ++k) {
        std::complex<double> sum;
        for (int t = 0; t < 32; ++t) {
            sum += x[static_cast<std::size_t>(t)] * std::polar(1.0, -2.0 * kPi * k * t / 32.0);
        }
        out[static_cast<std::size_t>(k)] = std::abs(sum);
    }
    return out;
}

SpectrumRequest Request(int start, int finish, SpectrumKind kind,
                        FftWindow window = FftWindow::None, int size = 32) {
    SpectrumRequest request;
    request.start = start;
    request.finish = finish;
    request.size = size;
    request.window = window;
    request.kind = kind;
    return request;
}

}  // namespace

// The frequency spectrum reads min(finish - start, N) + 1 records and
// transforms the first N of them; a short range leaves the rest zero.
TEST(Spectrum, FrequencySpectrumReadsTheRange) {
    std::vector<double> values(200);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = std::sin(0.3 * static_cast<double>(i)) + 0.01 * static_cast<double>(i);
    }
    const std::vector<CObData> records = Records(values);
    auto buffers = AllocateSpectrumBuffers();
    ASSERT_TRUE(buffers);

    struct Case {
        int start, finish;
        std::size_t used;  // samples that enter the transform
    } const cases[] = {{5, 14, 10}, {20, 119, 32}, {0, 31, 32}, {40, 72, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        const Result<Spectrum> run =
            RunSpectrum(records, Request(c.start, c.finish, SpectrumKind::Frequency), *buffers);
        ASSERT_TRUE(run.Ok()) << run.Message();
        const Spectrum& result = *run;
        ASSERT_EQ(result.bins.size(), 32u);
        const auto begin = values.begin() + c.start;
        const std::vector<double> expected =
            Magnitudes32(std::vector<double>(begin, begin + static_cast<long>(c.used)));
        double peak = 0.0;
        for (std::size_t k = 0; k < 32; ++k) {
            EXPECT_NEAR(result.bins[k], expected[k], 1e-4 * (1.0 + expected[k])) << k;
            peak = std::max(peak, result.bins[k]);
        }
        EXPECT_EQ(result.peak, peak);
        // The 33rd value read lands past the transform.
        if (c.finish - c.start >= 32) {
            EXPECT_EQ(buffers->work[32].real, static_cast<float>(values[c.start + 32u]));
        }
    }
}

// A constant c over the first segment: segment 0 holds 32 samples of c,
// segment 1 the last 16 of them then zeros, segments 2 … 15 zeros.
// Power at 0 is (c^2 + c^2/4) / 16; at odd k c^2 / (sin^2(pi k/32) 1024 16);
// at even k > 0 nothing, so the -140 dB floor.
TEST(Spectrum, PowerSpectrumOfAConstantAveragesSixteenSegments) {
    const std::vector<CObData> records = Records(std::vector<double>(40, 4.0));
    std::vector<double> bins;
    const Result<Spectrum> run = RunSpectrum(records, Request(0, 39, SpectrumKind::Power), bins);
    ASSERT_TRUE(run.Ok()) << run.Message();
    const Spectrum& result = *run;
    ASSERT_EQ(bins.size(), 16u);
    EXPECT_EQ(result.total, 272);  // (32 - 16) * 15 + 32
    for (std::size_t k = 0; k < 16; ++k) {
        double expected = -140.0;
        if (k == 0) {
            expected = 10.0 * std::log10(1.25);
        } else if (k % 2 == 1) {
            const double s = std::sin(kPi * static_cast<double>(k) / 32.0);
            expected = 10.0 * std::log10(16.0 / (s * s * 1024.0 * 16.0));
        }
        EXPECT_NEAR(bins[k], expected, 1e-4) << k;
    }
    EXPECT_DOUBLE_EQ(result.peak, 140.0);
}

TEST(Spectrum, ZerosWindowsAndAxis) {
    // All zeros: every bin at the floor, the peak its magnitude.
    const std::vector<CObData> zeros = Records(std::vector<double>(64, 0.0));
    for (FftWindow window : {FftWindow::None, FftWindow::Hanning, FftWindow::BlackmanHarris4}) {
        std::vector<double> bins;
        const Spectrum result =
            RunSpectrum(zeros, Request(0, 63, SpectrumKind::Power, window, 64), bins).Value();
        ASSERT_EQ(bins.size(), 32u);
        for (double bin : bins) {
            EXPECT_DOUBLE_EQ(bin, -140.0);
        }
        EXPECT_DOUBLE_EQ(result.peak, 140.0);
    }

    // Triangle zeroes the first and last sample: values only there vanish.
    std::vector<double> ends(32, 0.0);
    ends.front() = 7.0;
    ends.back() = -3.0;
    std::vector<double> bins;
    Spectrum result =
        RunSpectrum(Records(ends), Request(0, 31, SpectrumKind::Frequency, FftWindow::Triangle),
                    bins)
            .Value();
    for (double bin : bins) {
        EXPECT_EQ(bin, 0.0);
    }
    EXPECT_DOUBLE_EQ(result.peak, 1e-90);
    result = RunSpectrum(Records(ends), Request(0, 31, SpectrumKind::Frequency), bins).Value();
    EXPECT_NEAR(result.bins[0], 4.0, 1e-5);

    // Labels: N/2 for the power spectrum, 2N for the frequency spectrum.
    for (int size = 32; size <= 2048; size *= 2) {
        EXPECT_EQ(SpectrumAxisMax(SpectrumKind::Power, size), size / 2);
        EXPECT_EQ(SpectrumAxisMax(SpectrumKind::Frequency, size), 2 * size);
    }
}

// A run after a longer one starts from zero: nothing of the earlier series leaks in.
TEST(Spectrum, RunsAreIndependentAndBadRequestsRefused) {
    std::vector<double> values(3000);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<double>(i % 17) - 8.0;
    }
    const std::vector<CObData> records = Records(values);
    auto shared = AllocateSpectrumBuffers();
    const SpectrumRequest small = Request(100, 140, SpectrumKind::Power, FftWindow::Hamming);
    std::vector<double> fresh;
    ASSERT_TRUE(RunSpectrum(records, small, fresh));
    ASSERT_TRUE(RunSpectrum(
        records, Request(0, 2999, SpectrumKind::Power, FftWindow::Blackman, 2048), *shared));
    const Spectrum again = RunSpectrum(records, small, *shared).Value();
    EXPECT_EQ(std::vector<double>(again.bins.begin(), again.bins.end()), fresh);

    const SpectrumRequest bad[] = {
        Request(5, 5, SpectrumKind::Power),
        Request(6, 5, SpectrumKind::Power),
        Request(-1, 5, SpectrumKind::Power),
        Request(0, 3000, SpectrumKind::Power),
        Request(0, 100, SpectrumKind::Power, FftWindow::None, 48),
        Request(0, 100, SpectrumKind::Power, FftWindow::None, 16),
        Request(0, 100, SpectrumKind::Power, FftWindow::None, 4096),
    };
    for (const SpectrumRequest& request : bad) {
        EXPECT_FALSE(RunSpectrum(records, request, *shared).Ok());
    }
}

// Every size and window, both spectra, against the arithmetic done in double
// precision with a plain DFT: the windowed block for the frequency spectrum;
// for the power spectrum the two segments that hold samples (the block, and
// its last 16 samples followed by zeros), averaged over 16 and put in dB.
TEST(Spectrum, AgreesWithADirectComputationForEverySizeAndWindow) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> value(-5.0, 5.0);
    std::vector<double> values(2100);
    for (double& v : values) {
        v = value(random);
    }
    const std::vector<CObData> records = Records(values);
    auto buffers = AllocateSpectrumBuffers();
    const auto dft = [](const std::vector<double>& x, std::size_t k) {
        std::complex<double> sum;
        const double n = static_cast<double>(x.size());
        for (std::size_t t = 0; t < x.size(); ++t) {
            const double turns = static_cast<double>(k * t % x.size()) / n;
            sum += x[t] * std::polar(1.0, -2.0 * kPi * turns);
        }
        return sum;
    };
    for (int size = 32; size <= 2048; size *= 2) {
        const std::size_t n = static_cast<std::size_t>(size);
        for (int code = -1; code <= 4; ++code) {
            SCOPED_TRACE(std::to_string(size) + " window " + std::to_string(code));
            const FftWindow window = static_cast<FftWindow>(code);
            const auto windowed = [&](std::vector<double> x) {
                for (std::size_t t = 0; t < n; ++t) {
                    x[t] = static_cast<float>(x[t]) *
                           (window == FftWindow::None
                                ? 1.0
                                : WindowWeight(window, static_cast<int>(t), size));
                }
                return x;
            };
            const std::vector<double> block =
                windowed(std::vector<double>(values.begin() + 3, values.begin() + 3 + size));
            std::vector<double> tail(n, 0.0);
            std::copy(values.begin() + 3 + size - 16, values.begin() + 3 + size, tail.begin());
            tail = windowed(tail);

            const Spectrum frequency =
                RunSpectrum(records, Request(3, 2099, SpectrumKind::Frequency, window, size),
                            *buffers)
                    .Value();
            std::vector<double> magnitudes(n);
            for (std::size_t k = 0; k < n; ++k) {
                magnitudes[k] = std::abs(dft(block, k));
            }
            const double largest = *std::max_element(magnitudes.begin(), magnitudes.end());
            for (std::size_t k = 0; k < n; ++k) {
                ASSERT_NEAR(frequency.bins[k], magnitudes[k], 1e-4 * largest) << k;
            }

            const Spectrum power =
                RunSpectrum(records, Request(3, 2099, SpectrumKind::Power, window, size), *buffers)
                    .Value();
            const double n2 = static_cast<double>(size) * size;
            for (std::size_t k = 0; k < n / 2; ++k) {
                const double expected =
                    (std::norm(dft(block, k)) + std::norm(dft(tail, k))) / n2 / 16.0;
                ASSERT_NEAR(std::pow(10.0, power.bins[k] / 10.0), std::max(expected, 1e-14),
                            1e-4 * largest * largest / n2)
                    << k;
            }
        }
    }
}
