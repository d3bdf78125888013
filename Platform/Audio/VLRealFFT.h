#pragma once

#include <cstddef>
#include <vector>

struct kiss_fftr_state;

// A forward real FFT of a fixed even length, in the packed split-complex form that the spectrum code is
// written against: for 0 < k < n/2, real[k] + i·imaginary[k] is twice the plain DFT X[k]; real[0] holds
// 2·X[0] and imaginary[0] holds 2·X[n/2] (both are real). The plan and its scratch are made once, so
// forward() allocates nothing and takes no lock. One thread at a time per object.
class VLRealFFT final {
public:
    // `length` is even and at least 2.
    explicit VLRealFFT(size_t length);
    ~VLRealFFT();
    VLRealFFT(const VLRealFFT&) = delete;
    VLRealFFT& operator=(const VLRealFFT&) = delete;

    size_t length() const { return _length; }
    // `input` holds length() samples; `real` and `imaginary` length() / 2 values each.
    void forward(const float* input, float* real, float* imaginary);

private:
    const size_t _length;
    kiss_fftr_state* _plan;
    std::vector<float> _spectrum; // length / 2 + 1 bins, each a real and an imaginary part
};
