// The system-audio analysis against the FFT it is built on, on the same 4096 points in the same run:
// one analysis (window, FFT, band sums, smoothing, write) against kiss_fftr alone, and processing 1/30 s
// of stereo at 48 kHz (1600 frames, two analyses) against mixing those frames to mono plus two kiss_fftr
// calls. Prints the medians of the CPU time and their ratios. Goal: ≤ 1.5× each.

#include "Supports/SystemAudio/VLSystemAudioAnalyzer.h"
#include "Supports/SystemAudio/VLSystemAudioSnapshotBuffer.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <kiss_fftr.h>

#include <cmath>
#include <vector>

namespace {

constexpr size_t kPoints = 4096;
constexpr size_t kFrames = 1600;

// Stereo noise with a tone, the same for every benchmark.
const std::vector<float>& stereoSamples() {
    static const std::vector<float> samples = [] {
        std::vector<float> values(2 * kPoints);
        uint32_t state = 2463534242u;
        for (size_t n = 0; n < values.size(); ++n) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            values[n] = float(0.3 * std::sin(0.05 * double(n)) + double(state >> 8) / double(1 << 24) - 0.5);
        }
        return values;
    }();
    return samples;
}

void BM_Analysis(benchmark::State& state) {
    VLSystemAudioAnalyzer analyzer(48000);
    VLSystemAudioSnapshotBuffer buffer;
    analyzer.process(stereoSamples().data(), kPoints, 2, buffer);
    for (auto _ : state)
        analyzer.analyze(buffer);
}

void BM_KissFFT(benchmark::State& state) {
    kiss_fftr_cfg plan = kiss_fftr_alloc(int(kPoints), 0, nullptr, nullptr);
    std::vector<float> input(stereoSamples().begin(), stereoSamples().begin() + kPoints);
    std::vector<kiss_fft_cpx> output(kPoints / 2 + 1);
    for (auto _ : state) {
        kiss_fftr(plan, input.data(), output.data());
        benchmark::DoNotOptimize(output.data());
    }
    kiss_fftr_free(plan);
}

void BM_Process(benchmark::State& state) {
    VLSystemAudioAnalyzer analyzer(48000);
    VLSystemAudioSnapshotBuffer buffer;
    analyzer.process(stereoSamples().data(), kPoints, 2, buffer);
    // 1600 frames are two analyses' worth: every call runs exactly two.
    for (auto _ : state)
        analyzer.process(stereoSamples().data(), kFrames, 2, buffer);
}

void BM_MixAndTwoFFTs(benchmark::State& state) {
    kiss_fftr_cfg plan = kiss_fftr_alloc(int(kPoints), 0, nullptr, nullptr);
    std::vector<float> mono(kPoints);
    std::vector<kiss_fft_cpx> output(kPoints / 2 + 1);
    const float* samples = stereoSamples().data();
    for (auto _ : state) {
        for (size_t frame = 0; frame < kFrames; ++frame)
            mono[frame] = (samples[2 * frame] + samples[2 * frame + 1]) / 2;
        benchmark::DoNotOptimize(mono.data());
        kiss_fftr(plan, mono.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        kiss_fftr(plan, mono.data(), output.data());
        benchmark::DoNotOptimize(output.data());
    }
    kiss_fftr_free(plan);
}

} // namespace

int main(int argc, char** argv) {
    VLBenchmarkInitializeInterleaved(argc, argv);
    const struct {
        const char* name;
        void (*function)(benchmark::State&);
    } benchmarks[] = {{"BM_Analysis", BM_Analysis},
                      {"BM_KissFFT", BM_KissFFT},
                      {"BM_Process", BM_Process},
                      {"BM_MixAndTwoFFTs", BM_MixAndTwoFFTs}};
    for (const auto& entry : benchmarks)
        benchmark::RegisterBenchmark(entry.name, entry.function)
            ->Repetitions(VLBenchmarkReporter::kRepetitions)
            ->ReportAggregatesOnly(true);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("one analysis", "BM_Analysis", "BM_KissFFT", 1.5);
    reporter.printRatio("1/30 s of stereo at 48 kHz", "BM_Process", "BM_MixAndTwoFFTs", 1.5);
    benchmark::Shutdown();
    return 0;
}
