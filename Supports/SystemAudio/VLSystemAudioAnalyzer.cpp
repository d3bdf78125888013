#include "Supports/SystemAudio/VLSystemAudioAnalyzer.h"

#include "Supports/SystemAudio/VLSystemAudioSnapshotBuffer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// fftLength² · 3/8: the packed transform's factor of 4 on the power times the Hann window's energy.
constexpr double kAnalyzerPowerNormalisation = 6291456;

float analyzerSmoothed(float previous, float value) {
    if (value > previous)
        return previous + 0.7f * (value - previous);
    return std::max(previous * VLFallFactor, value);
}

} // namespace

VLSystemAudioAnalyzer::VLSystemAudioAnalyzer(double sampleRate)
    : _sampleRate(sampleRate > 0 ? sampleRate : 48000) {
    const long perAnalysis = std::lround(_sampleRate / 60);
    _samplesPerAnalysis = perAnalysis < 2 ? 1 : int(perAnalysis);
    for (size_t n = 0; n < fftLength; ++n)
        _window[n] = float(0.5 * (1 - std::cos(2 * std::numbers::pi * double(n) / fftLength)));
    const double binWidth = _sampleRate / fftLength;
    for (size_t band = 0; band < bandCount; ++band) {
        const double low = VLSystemAudioBandLowFrequency(int(band));
        const double high = VLSystemAudioBandLowFrequency(int(band) + 1);
        const double centre = VLSystemAudioBandCentreFrequency(int(band));
        _loBin[band] = int32_t(std::min(std::ceil(low / binWidth), double(binCount - 1)));
        _hiBin[band] = int32_t(std::min(std::ceil(high / binWidth), double(binCount)));
        _centreBin[band] = float(std::min(centre / binWidth, double(binCount - 1)));
        int bins = _hiBin[band] - _loBin[band];
        if (_loBin[band] >= _hiBin[band]) {
            _hiBin[band] = _loBin[band];
            bins = 1;
        }
        _scale[band] = float(centre * std::numbers::ln2 * (centre / 1000) /
                             (bins * kAnalyzerPowerNormalisation * binWidth));
    }
}

void VLSystemAudioAnalyzer::process(const float* samples, size_t frames, unsigned channels,
                                    VLSystemAudioSnapshotBuffer& buffer) {
    if (channels == 0 || !samples)
        return;
    bool sound = false;
    for (size_t frame = 0; frame < frames; ++frame) {
        const float* values = samples + frame * channels;
        float sum = 0;
        for (unsigned channel = 0; channel < channels; ++channel)
            sum += values[channel];
        const float mono = sum / float(channels);
        sound |= mono != 0.0f;
        _ring[_writeIndex] = mono;
        _writeIndex = (_writeIndex + 1) % fftLength;
        _sumOfSquares += double(mono) * mono;
        if (++_count >= _samplesPerAnalysis)
            analyze(buffer);
    }
    if (sound)
        _heardSound.store(true, std::memory_order_relaxed);
}

void VLSystemAudioAnalyzer::analyze(VLSystemAudioSnapshotBuffer& buffer) {
    // Oldest sample first.
    const size_t tail = fftLength - _writeIndex;
    for (size_t k = 0; k < tail; ++k)
        _windowed[k] = _ring[_writeIndex + k] * _window[k];
    for (size_t k = tail; k < fftLength; ++k)
        _windowed[k] = _ring[k - tail] * _window[k];
    _fft.forward(_windowed.data(), _real.data(), _imaginary.data());
    _imaginary[0] = 0; // the Nyquist term
    for (size_t k = 0; k < binCount; ++k)
        _magnitudes[k] = _real[k] * _real[k] + _imaginary[k] * _imaginary[k];
    for (size_t band = 0; band < bandCount; ++band) {
        float raw = 0;
        if (_hiBin[band] > _loBin[band]) {
            for (int32_t bin = _loBin[band]; bin < _hiBin[band]; ++bin)
                raw += _magnitudes[size_t(bin)];
        } else {
            const auto lower = size_t(_centreBin[band]);
            const float fraction = _centreBin[band] - float(lower);
            raw = (1 - fraction) * _magnitudes[lower] +
                  fraction * _magnitudes[std::min(lower, binCount - 2) + 1];
        }
        _snapshot.bands[band] = analyzerSmoothed(_snapshot.bands[band], raw * _scale[band]);
    }
    const double meanSquare = _count > 0 ? _sumOfSquares / _count : 0;
    _snapshot.level = analyzerSmoothed(_snapshot.level, float(meanSquare));
    _sumOfSquares = 0;
    _count = 0;
    buffer.write(_snapshot);
}
