#include "Platform/Audio/VLRealFFT.h"

#include <kiss_fftr.h>

VLRealFFT::VLRealFFT(size_t length)
    : _length(length), _plan(kiss_fftr_alloc(static_cast<int>(length), 0, nullptr, nullptr)),
      _spectrum(2 * (length / 2 + 1)) {}

VLRealFFT::~VLRealFFT() {
    kiss_fftr_free(_plan);
}

void VLRealFFT::forward(const float* input, float* real, float* imaginary) {
    static_assert(sizeof(kiss_fft_cpx) == 2 * sizeof(float));
    auto* spectrum = reinterpret_cast<kiss_fft_cpx*>(_spectrum.data());
    kiss_fftr(_plan, input, spectrum);
    const size_t half = _length / 2;
    real[0] = 2 * spectrum[0].r;
    imaginary[0] = 2 * spectrum[half].r;
    for (size_t k = 1; k < half; ++k) {
        real[k] = 2 * spectrum[k].r;
        imaginary[k] = 2 * spectrum[k].i;
    }
}
