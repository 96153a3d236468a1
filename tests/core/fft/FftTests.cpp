#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <stdexcept>
#include <vector>

#include "fft/Fft.h"

namespace {

const double kPi = std::acos(-1.0);

std::vector<std::complex<double>> NaiveDft(const std::vector<ComplexSample>& x) {
    const std::size_t n = x.size();
    std::vector<std::complex<double>> out(n);
    for (std::size_t k = 0; k < n; ++k) {
        std::complex<double> sum;
        for (std::size_t t = 0; t < n; ++t) {
            const double angle =
                -2.0 * kPi * static_cast<double>(k * t % n) / static_cast<double>(n);
            sum += std::complex<double>(x[t].real, x[t].imag) *
                   std::complex<double>(std::cos(angle), std::sin(angle));
        }
        out[k] = sum;
    }
    return out;
}

}  // namespace

TEST(Fft, ImpulseConstantAndEmptyTransform) {
    std::vector<ComplexSample> impulse(32);
    impulse[0] = {1.0f, 0.0f};
    Fft(impulse, 5);
    for (const ComplexSample& s : impulse) {
        EXPECT_FLOAT_EQ(s.real, 1.0f);
        EXPECT_FLOAT_EQ(s.imag, 0.0f);
    }

    std::vector<ComplexSample> constant(32, {1.0f, 0.0f});
    Fft(constant, 5);
    EXPECT_NEAR(constant[0].real, 32.0f, 1e-4);
    EXPECT_NEAR(constant[0].imag, 0.0f, 1e-4);
    for (std::size_t k = 1; k < constant.size(); ++k) {
        EXPECT_NEAR(std::hypot(constant[k].real, constant[k].imag), 0.0, 1e-4) << "bin " << k;
    }

    // m = 0 leaves the samples alone, whatever length was cached before.
    std::vector<ComplexSample> one{{3.0f, -2.0f}, {7.0f, 7.0f}};
    Fft(one, 0);
    EXPECT_FLOAT_EQ(one[0].real, 3.0f);
    EXPECT_FLOAT_EQ(one[0].imag, -2.0f);
    EXPECT_FLOAT_EQ(one[1].real, 7.0f);
}

TEST(Fft, MatchesTheDefinitionForSinesAndRandomData) {
    // A cosine with 5 periods in 64 samples lands in bins 5 and 59 with n/2 each.
    std::vector<ComplexSample> sine(64);
    for (std::size_t t = 0; t < sine.size(); ++t) {
        sine[t].real =
            static_cast<float>(std::cos(2.0 * kPi * 5.0 * static_cast<double>(t) / 64.0));
    }
    Fft(sine, 6);
    for (std::size_t k = 0; k < sine.size(); ++k) {
        const double magnitude = std::hypot(sine[k].real, sine[k].imag);
        EXPECT_NEAR(magnitude, (k == 5 || k == 59) ? 32.0 : 0.0, 1e-3) << "bin " << k;
    }

    // Complex random input of every length the dialog uses, against a plain DFT.
    std::mt19937 engine(7);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int m = 1; m <= 11; ++m) {
        std::vector<ComplexSample> x(std::size_t{1} << m);
        for (ComplexSample& s : x) {
            s = {value(engine), value(engine)};
        }
        const auto expected = NaiveDft(x);
        Fft(x, m);
        double worst = 0.0;
        for (std::size_t k = 0; k < x.size(); ++k) {
            worst =
                std::max(worst, std::abs(std::complex<double>(x[k].real, x[k].imag) - expected[k]));
        }
        EXPECT_LT(worst, 2e-3 * std::sqrt(static_cast<double>(x.size()))) << "m = " << m;
    }
}

TEST(Fft, TwiddleTableIsBuiltOncePerLength) {
    std::vector<ComplexSample> x(64);
    Fft(x, 0);  // start from an empty cache
    const long before = FftTableBuilds();
    Fft(x, 6);
    Fft(x, 6);
    EXPECT_EQ(FftTableBuilds(), before + 1);
    Fft(x, 5);
    EXPECT_EQ(FftTableBuilds(), before + 2);

    // After a length change the table must be the one for the new length.
    std::vector<ComplexSample> impulse(32);
    impulse[1] = {1.0f, 0.0f};
    Fft(impulse, 5);
    for (std::size_t k = 0; k < impulse.size(); ++k) {
        EXPECT_NEAR(impulse[k].real, std::cos(2.0 * kPi * static_cast<double>(k) / 32.0), 1e-5);
        EXPECT_NEAR(impulse[k].imag, -std::sin(2.0 * kPi * static_cast<double>(k) / 32.0), 1e-5);
    }
}

TEST(Fft, RejectsBadLengths) {
    std::vector<ComplexSample> x(16);
    EXPECT_THROW(Fft(x, -1), std::invalid_argument);
    EXPECT_THROW(Fft(x, 31), std::invalid_argument);
    EXPECT_THROW(Fft(x, 5), std::invalid_argument);  // 32 samples wanted, 16 given
    EXPECT_NO_THROW(Fft(x, 4));
}

TEST(FftWindows, WeightsOfEachWindow) {
    const int n = 32;
    // Triangle: rises by 2/31 up to i = 15, falls from i = 16.
    EXPECT_DOUBLE_EQ(WindowWeight(FftWindow::Triangle, 0, n), 0.0);
    EXPECT_NEAR(WindowWeight(FftWindow::Triangle, 15, n), 30.0 / 31.0, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Triangle, 16, n), 30.0 / 31.0, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Triangle, 31, n), 0.0, 1e-12);

    EXPECT_NEAR(WindowWeight(FftWindow::BlackmanHarris4, 0, n), 0.00006, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::BlackmanHarris4, n / 2, n),
                0.35875 + 0.48829 + 0.14128 + 0.01168, 1e-12);

    // The other cosine windows span n - 1: both ends are equal.
    EXPECT_NEAR(WindowWeight(FftWindow::Hamming, 0, n), 0.08, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Hamming, n - 1, n), 0.08, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Hanning, 0, n), 0.0, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Hanning, 10, n), WindowWeight(FftWindow::Hanning, 21, n),
                1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Blackman, 0, n), 0.0, 1e-12);
    EXPECT_NEAR(WindowWeight(FftWindow::Blackman, n - 1, n), 0.0, 1e-12);
    EXPECT_GT(WindowWeight(FftWindow::Blackman, 15, n), 0.99);

    EXPECT_DOUBLE_EQ(WindowWeight(FftWindow::None, 3, n), 1.0);
    // One sample cannot divide by n - 1 = 0.
    EXPECT_DOUBLE_EQ(WindowWeight(FftWindow::Hanning, 0, 1), 1.0);
    EXPECT_THROW(WindowWeight(static_cast<FftWindow>(5), 0, n), std::invalid_argument);
    EXPECT_THROW(WindowWeight(static_cast<FftWindow>(5), 0, 1), std::invalid_argument);

    EXPECT_EQ(FftWindowName(FftWindow::None), "None");
    EXPECT_EQ(FftWindowName(FftWindow::BlackmanHarris4), "4 term Blackman-Harris");
}

TEST(FftWindows, ApplyScalesBothPartsAndFollowsLengthChanges) {
    std::vector<ComplexSample> x(32, {2.0f, -4.0f});
    ApplyWindow(FftWindow::None, x);
    EXPECT_FLOAT_EQ(x[0].real, 2.0f);

    ApplyWindow(FftWindow::Triangle, x);
    EXPECT_FLOAT_EQ(x[0].real, 0.0f);
    EXPECT_FLOAT_EQ(x[15].real, static_cast<float>(2.0 * 30.0 / 31.0));
    EXPECT_FLOAT_EQ(x[15].imag, static_cast<float>(-4.0 * 30.0 / 31.0));

    // The same window over another length must not reuse the old weights.
    std::vector<ComplexSample> y(8, {1.0f, 1.0f});
    ApplyWindow(FftWindow::Triangle, y);
    EXPECT_FLOAT_EQ(y[3].real, static_cast<float>(2.0 / 7.0 * 3.0));
    EXPECT_FLOAT_EQ(y[4].imag, static_cast<float>(2.0 - 2.0 / 7.0 * 4.0));
    std::vector<ComplexSample> z(8, {1.0f, 1.0f});
    ApplyWindow(FftWindow::Hamming, z);
    EXPECT_FLOAT_EQ(z[0].real, 0.08f);
}
