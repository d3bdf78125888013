#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"

#include "Supports/SystemAudio/VLSystemAudioAnalyzer.h"
#include "Supports/SystemAudio/VLSystemAudioSnapshotBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

namespace {

constexpr size_t kPoints = 4096;

// A 1 kHz sine with deterministic noise: every band gets power, one stands out.
std::vector<float> sineAndNoise(double sampleRate) {
    std::vector<float> samples(kPoints);
    uint32_t state = 12345;
    for (size_t n = 0; n < kPoints; ++n) {
        state = state * 1664525u + 1013904223u;
        const double noise = double(state >> 8) / double(1 << 24) - 0.5;
        samples[n] =
            float(0.5 * std::sin(2 * std::numbers::pi * 1000 * double(n) / sampleRate) + 0.2 * noise);
    }
    return samples;
}

// The analyzer's arithmetic in double, from a plain DFT: band powers of the ring as it stands after
// `received` samples (older places zero), oldest first.
std::vector<double> referenceBands(const std::vector<float>& samples, size_t received, double sampleRate) {
    std::vector<double> windowed(kPoints, 0.0);
    for (size_t k = 0; k < kPoints; ++k) {
        const size_t age = kPoints - k; // samples ago
        if (age <= received)
            windowed[k] =
                samples[received - age] * 0.5 * (1 - std::cos(2 * std::numbers::pi * double(k) / kPoints));
    }
    std::vector<std::complex<double>> twiddles(kPoints);
    for (size_t k = 0; k < kPoints; ++k)
        twiddles[k] = std::polar(1.0, -2 * std::numbers::pi * double(k) / kPoints);
    const double binWidth = sampleRate / kPoints;
    std::vector<double> power(kPoints / 2, -1);
    auto magnitude = [&](size_t bin) {
        if (power[bin] < 0) {
            std::complex<double> sum;
            for (size_t k = 0; k < kPoints; ++k)
                sum += windowed[k] * twiddles[(bin * k) % kPoints];
            power[bin] = bin == 0 ? 4 * sum.real() * sum.real() : 4 * std::norm(sum);
        }
        return power[bin];
    };
    std::vector<double> bands(128);
    for (int band = 0; band < 128; ++band) {
        const double low = 30 * std::pow(16000.0 / 30, band / 128.0);
        const double high = 30 * std::pow(16000.0 / 30, (band + 1) / 128.0);
        const double centre = std::sqrt(low * high);
        const int loBin = int(std::min(std::ceil(low / binWidth), 2047.0));
        const int hiBin = int(std::min(std::ceil(high / binWidth), 2048.0));
        double raw = 0;
        int bins = hiBin - loBin;
        if (hiBin > loBin) {
            for (int bin = loBin; bin < hiBin; ++bin)
                raw += magnitude(size_t(bin));
        } else {
            bins = 1;
            const double centreBin = std::min(centre / binWidth, 2047.0);
            const auto j = size_t(centreBin);
            raw = (1 - (centreBin - double(j))) * magnitude(j) +
                  (centreBin - double(j)) * magnitude(std::min<size_t>(j, 2046) + 1);
        }
        bands[band] = raw * centre * std::numbers::ln2 * (centre / 1000) / (bins * 6291456.0 * binWidth);
    }
    return bands;
}

double smoothedReference(double previous, double value) {
    return value > previous ? previous + 0.7 * (value - previous) : std::max(previous * VLFallFactor, value);
}

} // namespace

TEST(VLSystemAudioAnalyzer, BandsAndLevelMatchADirectDFTWithTheSameScaleAndSmoothing) {
    const double rate = 48000;
    const std::vector<float> samples = sineAndNoise(rate);
    VLSystemAudioAnalyzer analyzer(rate);
    VLSystemAudioSnapshotBuffer buffer;
    // Handed over in uneven pieces: an analysis falls every 800 samples wherever the pieces end.
    for (size_t start = 0; start < kPoints; start += 777)
        analyzer.process(samples.data() + start, std::min<size_t>(777, kPoints - start), 1, buffer);
    analyzer.analyze(buffer); // the 96 samples since the last, and the ring full

    std::vector<double> bands(128, 0.0);
    double level = 0;
    for (size_t received : {800, 1600, 2400, 3200, 4000, 4096}) {
        const std::vector<double> raw = referenceBands(samples, received, rate);
        for (int band = 0; band < 128; ++band)
            bands[band] = smoothedReference(bands[band], raw[band]);
        double squares = 0;
        for (size_t n = received - (received == 4096 ? 96 : 800); n < received; ++n)
            squares += double(samples[n]) * samples[n];
        level = smoothedReference(level, squares / (received == 4096 ? 96 : 800));
    }
    VLSystemAudioSnapshot snapshot;
    buffer.read(snapshot);
    for (int band = 0; band < 128; ++band)
        EXPECT_NEAR(snapshot.bands[band], bands[band], 1e-4 * bands[band]) << "band " << band;
    EXPECT_NEAR(snapshot.level, level, 1e-4 * level);
    const auto loudest = int(std::max_element(snapshot.bands, snapshot.bands + 128) - snapshot.bands);
    EXPECT_LE(VLSystemAudioBandLowFrequency(loudest), 1000);
    EXPECT_GT(VLSystemAudioBandLowFrequency(loudest + 1), 1000) << "the sine's band is the loudest";
}

TEST(VLSystemAudioAnalyzer, RunsAbout60TimesASecondAtAnyRate) {
    struct Case {
        double rate;
        double expectedRate;
        int perAnalysis;
    };
    for (const Case& test : {Case{0, 48000, 800}, Case{-1, 48000, 800}, Case{44100, 44100, 735},
                             Case{100, 100, 2}, Case{60, 60, 1}, Case{1, 1, 1}}) {
        VLSystemAudioAnalyzer analyzer(test.rate);
        EXPECT_EQ(analyzer.sampleRate(), test.expectedRate) << test.rate;
        EXPECT_EQ(analyzer.samplesPerAnalysis(), test.perAnalysis) << test.rate;
    }
}

TEST(VLSystemAudioAnalyzer, OnlyANonZeroSampleSetsHeardSoundAndItStays) {
    VLSystemAudioAnalyzer analyzer(48000);
    VLSystemAudioSnapshotBuffer buffer;
    std::vector<float> silence(2 * 2000, 0.0f);
    analyzer.process(silence.data(), 2000, 2, buffer);
    analyzer.process(nullptr, 10, 2, buffer);
    analyzer.process(silence.data(), 10, 0, buffer);
    EXPECT_FALSE(analyzer.heardSound());
    VLSystemAudioSnapshot snapshot;
    buffer.read(snapshot);
    EXPECT_EQ(snapshot.level, 0.0f);
    EXPECT_EQ(snapshot.bands[40], 0.0f);

    // Stereo of opposite sides mixes to exact zero: still nothing heard.
    const float opposite[2] = {0.5f, -0.5f};
    analyzer.process(opposite, 1, 2, buffer);
    EXPECT_FALSE(analyzer.heardSound());
    const float one[2] = {1e-30f, 0};
    analyzer.process(one, 1, 2, buffer);
    EXPECT_TRUE(analyzer.heardSound());
    analyzer.process(silence.data(), 2000, 2, buffer);
    EXPECT_TRUE(analyzer.heardSound());
}

TEST(VLSystemAudioAnalysis, FramesAreExactly516Bytes) {
    VLSystemAudioSnapshot snapshot;
    snapshot.bands[0] = 1.5f;
    snapshot.bands[127] = 2.5f;
    snapshot.level = 0.25f;
    const VLData frame = VLSystemAudioFrameFromSnapshot(snapshot);
    ASSERT_EQ(frame.size(), 516u);
    float level;
    std::memcpy(&level, frame.data() + 512, 4);
    EXPECT_EQ(level, 0.25f);

    VLSystemAudioSnapshot target;
    target.level = 9;
    for (size_t length : {515, 517, 0}) {
        VLData wrong = frame;
        wrong.resize(length, 0);
        EXPECT_FALSE(VLSystemAudioSnapshotFromFrame(wrong, target)) << length;
        EXPECT_EQ(target.level, 9.0f) << "untouched";
    }
    ASSERT_TRUE(VLSystemAudioSnapshotFromFrame(frame, target));
    EXPECT_EQ(target.bands[0], 1.5f);
    EXPECT_EQ(target.bands[127], 2.5f);
    EXPECT_EQ(target.level, 0.25f);
}

TEST(VLSystemAudioAnalysis, CoarseningAveragesGroupsOfFourAndStepsTheLevel) {
    VLSystemAudioSnapshot zero;
    VLSystemAudioCoarsenSnapshot(zero);
    EXPECT_EQ(VLSystemAudioFrameFromSnapshot(zero), VLData(516, 0));

    VLSystemAudioSnapshot snapshot;
    const float firstFour[4] = {1, 2, 3, 10};
    std::copy_n(firstFour, 4, snapshot.bands);
    snapshot.bands[4] = 8;
    snapshot.level = 1.0f;
    VLSystemAudioCoarsenSnapshot(snapshot);
    for (int band = 0; band < 4; ++band)
        EXPECT_EQ(snapshot.bands[band], 4.0f) << band;
    for (int band = 4; band < 8; ++band)
        EXPECT_EQ(snapshot.bands[band], 2.0f) << band;
    EXPECT_EQ(snapshot.level, 1.0f);

    // -30 dB is halfway: 127.5 / 255 rounds up to 128 / 255.
    snapshot.level = 0.001f;
    VLSystemAudioCoarsenSnapshot(snapshot);
    EXPECT_FLOAT_EQ(snapshot.level, float(std::pow(10.0, (128.0 / 255 * 60 - 60) / 10)));
}

TEST(VLSystemAudioAnalysis, NormalisationClampsAndReadsNaNAsSilence) {
    struct Case {
        double input;
        double band;
        double level;
    };
    const double infinity = std::numeric_limits<double>::infinity();
    for (const Case& test : {Case{0, 0, 0}, Case{-1, 0, 0}, Case{std::nan(""), 0, 0}, Case{infinity, 1, 1},
                             Case{-infinity, 0, 0}, Case{1e-8, 0, 0}, Case{std::pow(10, -1.2), 1, 0.8},
                             Case{1, 1, 1}, Case{1e-4, 40.0 / 68, 20.0 / 60}}) {
        EXPECT_NEAR(VLSystemAudioNormalizedBand(test.input), test.band, 1e-12) << test.input;
        EXPECT_NEAR(VLSystemAudioNormalizedLevel(test.input), test.level, 1e-12) << test.input;
    }
    EXPECT_EQ(VLSystemAudioQuantized(0.5 / 255), 1.0 / 255) << "halves away from zero";
    EXPECT_EQ(std::bit_cast<uint32_t>(VLFallFactor), 0x3F21866Cu);
}

TEST(VLSystemAudioAnalysis, MergingAveragesByOverlapAndLimitsRestrictedReaders) {
    VLSystemAudioSnapshot snapshot;
    for (int band = 0; band < 128; ++band)
        snapshot.bands[band] = float(std::pow(10.0, (-70 + band * 0.5) / 10));

    std::vector<float> out(200, -1.0f);
    VLSystemAudioMergeBands(snapshot, out.data(), 200, true);
    EXPECT_EQ(std::count(out.begin(), out.end(), -1.0f), 200 - 32) << "32 written";
    for (int j = 0; j < 32; ++j)
        EXPECT_EQ(std::round(out[j] * 255), out[j] * 255) << "1/255 steps";

    std::fill(out.begin(), out.end(), -1.0f);
    VLSystemAudioMergeBands(snapshot, out.data(), 0, false);
    EXPECT_EQ(out[0], -1.0f);

    // 7 of 128: each output spans 18.29 inputs; the boundary inputs count by their overlap.
    VLSystemAudioMergeBands(snapshot, out.data(), 7, false);
    double inputs[128];
    std::copy_n(snapshot.bands, 128, inputs);
    const double span = 128.0 / 7;
    for (int j = 0; j < 7; ++j) {
        double sum = 0, weights = 0;
        for (int k = 0; k < 128; ++k) {
            const double overlap = std::min(k + 1.0, (j + 1) * span) - std::max(double(k), j * span);
            if (overlap > 0) {
                sum += overlap * inputs[k];
                weights += overlap;
            }
        }
        EXPECT_NEAR(weights, span, 1e-9);
        EXPECT_NEAR(out[j], VLSystemAudioNormalizedBand(sum / weights), 1e-6) << j;
    }
    EXPECT_EQ(out[7], -1.0f);

    // Four of 32 are averaged from the 32-band reduction, not the first four of 128.
    float four[4];
    VLSystemAudioMergeBands(snapshot, four, 4, true);
    double reduced[32], merged[4];
    VLMeanBands(inputs, 128, reduced, 32);
    VLMeanBands(reduced, 32, merged, 4);
    for (int j = 0; j < 4; ++j)
        EXPECT_EQ(four[j], float(VLSystemAudioQuantized(VLSystemAudioNormalizedBand(merged[j]))));
}

TEST(VLSystemAudioAnalysis, TheSyntheticSpectrumChangesItsTriadEvery4SecondsAndRepeatsEvery16) {
    auto spectrumAt = [](double seconds) {
        VLSystemAudioSnapshot snapshot;
        VLSystemAudioSyntheticSnapshot(seconds, snapshot);
        return snapshot;
    };
    // The chord's notes stand out as peaks between 180 and 400 Hz, whatever the slow sway does.
    auto chordPeaks = [&](double seconds) {
        const VLSystemAudioSnapshot snapshot = spectrumAt(seconds);
        std::vector<int> peaks;
        for (int band = 1; band < 127; ++band) {
            const double centre = VLSystemAudioBandCentreFrequency(band);
            if (centre > 180 && centre < 400 && snapshot.bands[band] > snapshot.bands[band - 1] &&
                snapshot.bands[band] >= snapshot.bands[band + 1])
                peaks.push_back(band);
        }
        return peaks;
    };
    std::vector<std::vector<int>> chords;
    for (double seconds : {0.25, 4.25, 8.25, 12.25}) {
        chords.push_back(chordPeaks(seconds));
        EXPECT_EQ(chords.back().size(), 3u) << seconds;
        EXPECT_EQ(chordPeaks(seconds + 3.5), chords.back()) << "the same triad for 4 s from " << seconds;
        EXPECT_EQ(chordPeaks(seconds + 16), chords.back()) << "again 16 s later";
    }
    for (size_t a = 0; a < chords.size(); ++a)
        for (size_t b = a + 1; b < chords.size(); ++b)
            EXPECT_NE(chords[a], chords[b]) << a << " and " << b;
    const VLSystemAudioSnapshot start = spectrumAt(0);
    EXPECT_NEAR(start.level, std::pow(10.0, -14.0 / 10), 1e-6) << "a kick on the beat";
    EXPECT_GT(start.bands[0], spectrumAt(0.4).bands[0]) << "and it fades";
}

TEST(VLSystemAudioSnapshotBuffer, TwoWritersAndTwoReadersNeverSeeATornSnapshot) {
    VLSystemAudioSnapshotBuffer buffer;
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, reads{0};
    auto writer = [&](float base) {
        VLSystemAudioSnapshot snapshot;
        for (int round = 0; round < 20000; ++round) {
            std::fill_n(snapshot.bands, 128, base + float(round));
            snapshot.level = base + float(round);
            buffer.write(snapshot);
        }
    };
    auto reader = [&] {
        VLSystemAudioSnapshot snapshot;
        while (!stop) {
            buffer.read(snapshot);
            if (std::any_of(snapshot.bands, snapshot.bands + 128,
                            [&](float v) { return v != snapshot.level; }))
                ++torn;
            ++reads;
        }
    };
    std::thread readers[2] = {std::thread(reader), std::thread(reader)};
    std::thread writers[2] = {std::thread(writer, 0.0f), std::thread(writer, 1e6f)};
    for (auto& thread : writers)
        thread.join();
    stop = true;
    for (auto& thread : readers)
        thread.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 0);
    buffer.clear();
    VLSystemAudioSnapshot cleared;
    cleared.level = 5;
    buffer.read(cleared);
    EXPECT_EQ(cleared.level, 0.0f);
}
