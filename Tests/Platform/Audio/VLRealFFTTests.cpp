#include "Platform/Audio/VLRealFFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

// The packed form against a direct DFT: twice each bin, DC in real[0], Nyquist in imaginary[0].
TEST(VLRealFFT, PacksTwiceTheDFTWithNyquistBesideDC) {
    constexpr size_t n = 16;
    std::vector<float> input(n);
    for (size_t k = 0; k < n; ++k)
        input[k] = float(0.5 + std::sin(0.7 * double(k)) + (k % 3 == 0 ? -0.25 : 0.125));
    std::vector<float> real(n / 2), imaginary(n / 2);
    VLRealFFT fft(n);
    fft.forward(input.data(), real.data(), imaginary.data());

    auto dft = [&](size_t bin) {
        std::complex<double> sum;
        for (size_t k = 0; k < n; ++k)
            sum += double(input[k]) * std::polar(1.0, -2 * std::numbers::pi * double(bin * k) / n);
        return sum;
    };
    EXPECT_NEAR(real[0], 2 * dft(0).real(), 1e-4);
    EXPECT_NEAR(imaginary[0], 2 * dft(n / 2).real(), 1e-4);
    for (size_t bin = 1; bin < n / 2; ++bin) {
        EXPECT_NEAR(real[bin], 2 * dft(bin).real(), 1e-4) << bin;
        EXPECT_NEAR(imaginary[bin], 2 * dft(bin).imag(), 1e-4) << bin;
    }
}
