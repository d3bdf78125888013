#pragma once

#include "Platform/Audio/VLRealFFT.h"
#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

class VLSystemAudioSnapshotBuffer;

// Turns captured samples into smoothed band powers and level about 60 times a second: the mono mix goes
// into a ring of the last 4096 samples, and every sampleRate / 60 samples the ring is windowed (Hann),
// transformed, summed into the 128 bands and smoothed (a rise goes 70 % of the way, a fall loses at most
// 2 dB), then written to the buffer.
//
// Used by one thread at a time (the capture's IO thread); everything is made at construction, so
// process() and analyze() allocate nothing and take no lock.
class VLSystemAudioAnalyzer final {
public:
    static constexpr size_t fftLength = 4096;

    // A rate that is not above 0 means 48000 Hz.
    explicit VLSystemAudioAnalyzer(double sampleRate);

    double sampleRate() const { return _sampleRate; }
    int samplesPerAnalysis() const { return _samplesPerAnalysis; }
    // Set for good once any mono sample received was not exactly 0. Any thread.
    bool heardSound() const { return _heardSound.load(std::memory_order_relaxed); }

    // Interleaved float32 frames of `channels` values each.
    void process(const float* samples, size_t frames, unsigned channels, VLSystemAudioSnapshotBuffer& buffer);
    void analyze(VLSystemAudioSnapshotBuffer& buffer);

private:
    static constexpr size_t binCount = fftLength / 2;
    static constexpr size_t bandCount = VLSystemAudioMaximumBandCount;

    double _sampleRate;
    int _samplesPerAnalysis;
    VLRealFFT _fft{fftLength};
    std::array<float, fftLength> _ring{};
    size_t _writeIndex = 0;
    std::array<float, fftLength> _window;
    std::array<float, fftLength> _windowed{};
    std::array<float, binCount> _real{}, _imaginary{}, _magnitudes{};
    std::array<int32_t, bandCount> _loBin, _hiBin;
    std::array<float, bandCount> _centreBin, _scale;
    double _sumOfSquares = 0;
    int _count = 0;
    VLSystemAudioSnapshot _snapshot;
    std::atomic<bool> _heardSound{false}; // written on the IO thread, read on the monitor's queue
};
