#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace {

constexpr double kSystemAudioLowestFrequency = 30;
constexpr double kSystemAudioHighestFrequency = 16000;

double systemAudioBandEdge(double position) {
    return kSystemAudioLowestFrequency * std::pow(kSystemAudioHighestFrequency / kSystemAudioLowestFrequency,
                                                  position / double(VLSystemAudioMaximumBandCount));
}

// (10 · log10(power) + offset) / range in 0..1; NaN and powers at or below 0 give 0.
double systemAudioNormalizedDecibels(double power, double offset, double range) {
    if (!(power > 0))
        return 0;
    return std::clamp((10 * std::log10(power) + offset) / range, 0.0, 1.0);
}

} // namespace

double VLSystemAudioBandLowFrequency(int index) {
    return systemAudioBandEdge(index);
}

double VLSystemAudioBandCentreFrequency(int index) {
    return std::sqrt(systemAudioBandEdge(index) * systemAudioBandEdge(index + 1));
}

VLData VLSystemAudioFrameFromSnapshot(const VLSystemAudioSnapshot& snapshot) {
    VLData frame(sizeof snapshot);
    std::memcpy(frame.data(), &snapshot, sizeof snapshot);
    return frame;
}

bool VLSystemAudioSnapshotFromFrame(const VLData& frame, VLSystemAudioSnapshot& snapshot) {
    if (frame.size() != sizeof snapshot)
        return false;
    std::memcpy(&snapshot, frame.data(), sizeof snapshot);
    return true;
}

void VLSystemAudioCoarsenSnapshot(VLSystemAudioSnapshot& snapshot) {
    for (size_t group = 0; group < VLSystemAudioMaximumBandCount; group += 4) {
        double sum = 0;
        for (size_t band = group; band < group + 4; ++band)
            sum += snapshot.bands[band];
        std::fill_n(snapshot.bands + group, 4, float(sum / 4));
    }
    const double quantized = VLSystemAudioQuantized(VLSystemAudioNormalizedLevel(snapshot.level));
    snapshot.level = quantized > 0 ? float(std::pow(10.0, (quantized * 60 - 60) / 10)) : 0;
}

double VLSystemAudioNormalizedBand(double power) {
    return systemAudioNormalizedDecibels(power, 80, 68);
}

double VLSystemAudioNormalizedLevel(double meanSquare) {
    return systemAudioNormalizedDecibels(meanSquare, 60, 60);
}

double VLSystemAudioQuantized(double value) {
    return std::round(value * 255) / 255;
}

void VLMeanBands(const double* in, int inCount, double* out, int outCount) {
    if (outCount < 1)
        return;
    const double ratio = double(inCount) / outCount;
    for (int j = 0; j < outCount; ++j) {
        const double start = j * ratio, end = (j + 1) * ratio;
        double sum = 0, weights = 0;
        for (int k = std::max(0, int(std::floor(start))); k < inCount && k < end; ++k) {
            const double weight = std::min(end, k + 1.0) - std::max(start, double(k));
            if (weight <= 0)
                continue;
            sum += weight * in[k];
            weights += weight;
        }
        out[j] = weights > 0 ? sum / weights : 0;
    }
}

void VLSystemAudioMergeBands(const VLSystemAudioSnapshot& snapshot, float* out, int count, bool restricted) {
    if (count < 1)
        return;
    constexpr int all = int(VLSystemAudioMaximumBandCount), few = int(VLSystemAudioRestrictedBandCount);
    double bands[all], merged[all];
    std::copy_n(snapshot.bands, all, bands);
    int available = all;
    if (restricted) {
        VLMeanBands(bands, all, merged, few);
        std::copy_n(merged, few, bands);
        available = few;
    }
    const int n = std::min(count, available);
    VLMeanBands(bands, available, merged, n);
    for (int j = 0; j < n; ++j) {
        const double value = VLSystemAudioNormalizedBand(merged[j]);
        out[j] = float(restricted ? VLSystemAudioQuantized(value) : value);
    }
}

void VLSystemAudioSyntheticSnapshot(double seconds, VLSystemAudioSnapshot& snapshot) {
    static constexpr double bassNotes[4] = {55.0, 55.0, 65.41, 49.0};
    static constexpr double triads[4][3] = {
        {220.0, 277.18, 329.63}, {246.94, 311.13, 369.99}, {196.0, 246.94, 293.66}, {220.0, 261.63, 329.63}};
    if (!(seconds >= 0))
        seconds = 0; // the tables are indexed by the beat: never by a negative one
    const double beats = 2 * seconds;
    const double beat = std::floor(beats), phase = beats - beat;
    const double kick = std::exp(-6 * phase), bassEnvelope = std::exp(-3 * phase);
    const double quarter = std::floor(4 * seconds);
    const double hat = std::fmod(quarter, 2) != 0 ? std::exp(-14 * (4 * seconds - quarter)) : 0;
    const auto beatIndex = static_cast<int64_t>(beat);
    const double bass = bassNotes[beatIndex % 4];
    const double* triad = triads[(beatIndex / 8) % 4];
    for (int band = 0; band < int(VLSystemAudioMaximumBandCount); ++band) {
        const double centre = VLSystemAudioBandCentreFrequency(band);
        double decibels = 6 * std::sin(std::log2(centre / 1000) + 2 * std::numbers::pi * seconds / 7.3) - 60;
        if (centre < 150)
            decibels += (1 - centre / 150) * 36 * kick;
        for (int k = 1; k <= 3; ++k) {
            const double x = std::log2(centre / (bass * k));
            decibels += (28.0 / k) * std::exp(-x * x / 0.0072) * (0.6 + 0.4 * bassEnvelope);
        }
        for (int note = 0; note < 3; ++note) {
            const double x = std::log2(centre / triad[note]);
            decibels += 24 * std::exp(-x * x / 0.005);
        }
        if (centre > 6000)
            decibels += 26 * hat;
        snapshot.bands[band] = float(std::pow(10.0, decibels / 10));
    }
    snapshot.level = float(std::pow(10.0, (8 * kick + 2 * hat - 22) / 10));
}
