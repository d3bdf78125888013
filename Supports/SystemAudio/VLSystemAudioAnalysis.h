#pragma once

#include "Platform/Foundation/VLValue.h"

#include <bit>
#include <cstdint>

// The spectrum that widgets read of what the machine plays: 128 band powers and one level, in a form
// that crosses processes as a 516-byte frame (the values as they lie in memory, host byte order).
// Plain data and arithmetic, safe on any thread.

inline constexpr uint64_t VLSystemAudioFrameLength = 129;
inline constexpr uint64_t VLSystemAudioMaximumBandCount = 128;
inline constexpr uint64_t VLSystemAudioRestrictedBandCount = 32;

// The per-analysis fall of a smoothed value: 0.6309574, the float nearest to 10^(-0.2) (-2 dB of power),
// given by its bits so that no compiler's rounding of a decimal text can move it.
inline constexpr float VLFallFactor = std::bit_cast<float>(uint32_t(0x3F21866C));

// Band i (lowest first) spans 30 · (16000/30)^(i/128) to 30 · (16000/30)^((i+1)/128) Hz: the smoothed
// linear power of each band, then the smoothed mean square of the mono mix. All zeros is silence.
struct VLSystemAudioSnapshot {
    float bands[VLSystemAudioMaximumBandCount] = {};
    float level = 0;
};
static_assert(sizeof(VLSystemAudioSnapshot) == VLSystemAudioFrameLength * sizeof(float));

// The lower and upper edge, and the centre, of band `index` in Hz.
double VLSystemAudioBandLowFrequency(int index);
double VLSystemAudioBandCentreFrequency(int index);

VLData VLSystemAudioFrameFromSnapshot(const VLSystemAudioSnapshot& snapshot);
// Fills the snapshot from a frame of exactly 516 bytes; anything else is not a frame and leaves it as is.
bool VLSystemAudioSnapshotFromFrame(const VLData& frame, VLSystemAudioSnapshot& snapshot);

// The form non-detailed readers get: each group of four bands holds its mean, the level moves to 1/255
// steps of its normalised value.
void VLSystemAudioCoarsenSnapshot(VLSystemAudioSnapshot& snapshot);

// Powers mapped to 0..1 (-80 dB to -12 dB for a band, -60 dB to 0 dB for the level); nothing above 0,
// NaN included, reads as 0.
double VLSystemAudioNormalizedBand(double power);
double VLSystemAudioNormalizedLevel(double meanSquare);
// round(value · 255) / 255, halves away from zero.
double VLSystemAudioQuantized(double value);

// Writes min(count, restricted ? 32 : 128) normalised bands, each the mean of the bands it covers; when
// restricted, reduced to 32 first and quantised to 1/255. Nothing when count < 1.
void VLSystemAudioMergeBands(const VLSystemAudioSnapshot& snapshot, float* out, int count, bool restricted);
// Each output is the mean of the inputs its share of the range covers, weighted by their overlap.
void VLMeanBands(const double* in, int inCount, double* out, int outCount);

// A music-like spectrum `seconds` into a loop of two beats a second, a new triad every 4 s.
void VLSystemAudioSyntheticSnapshot(double seconds, VLSystemAudioSnapshot& snapshot);
