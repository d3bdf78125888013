// A screenshot of a full 2560 × 1440 screen written by VLPNGWriter (premultiplied BGRA pixels made
// straight, compressed, written to a file replaced atomically) against libpng's simplified writer
// writing the same pixels, already straight RGBA, to a file. Prints the medians of the process's CPU
// time against that floor, their repetitions taking turns.
// Goal: within 1.2x, that is the picture is compressed once and the colours cost little beside it.
// Run pinned: taskset -c 2 VLPNGWriterBenchmark.

#include "Platform/Graphics/VLBitmap.h"
#include "Platform/Image/VLPNGWriter.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kWidth = 2560, kHeight = 1440;
constexpr int kWrites = 3;

// A desktop's worth of gradients and noise, mostly opaque with translucent and empty stretches.
struct ScreenPixels {
    std::shared_ptr<VLBitmap> premultiplied = VLBitmap::make(kWidth, kHeight, VLBitmapByteOrder::BGRA);
    std::vector<uint8_t> straight = std::vector<uint8_t>(size_t(kWidth) * kHeight * 4);

    ScreenPixels() {
        uint32_t noise = 12345;
        for (uint32_t y = 0; y < kHeight; ++y)
            for (uint32_t x = 0; x < kWidth; ++x) {
                noise = noise * 1103515245 + 12345;
                const uint8_t alpha = x % 640 < 40 ? 0 : (y % 360 < 60 ? 160 : 255);
                const uint8_t red = uint8_t(x / 10 + (noise >> 28)), green = uint8_t(y / 6),
                              blue = uint8_t((x + y) / 16 + (noise >> 29));
                uint8_t* s = straight.data() + (size_t(y) * kWidth + x) * 4;
                s[0] = alpha ? red : 0;
                s[1] = alpha ? green : 0;
                s[2] = alpha ? blue : 0;
                s[3] = alpha;
                uint8_t* p = premultiplied->mutableRow(y) + size_t(x) * 4;
                p[0] = uint8_t(s[2] * alpha / 255);
                p[1] = uint8_t(s[1] * alpha / 255);
                p[2] = uint8_t(s[0] * alpha / 255);
                p[3] = alpha;
            }
    }
};

// Made and freed by main.
ScreenPixels* gScreen = nullptr;
std::string gFolder;

void BM_LibpngSimplifiedWriter(benchmark::State& state) {
    const std::string path = gFolder + "/floor.png";
    for (auto _ : state) {
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = kWidth;
        image.height = kHeight;
        image.format = PNG_FORMAT_RGBA;
        if (!png_image_write_to_file(&image, path.c_str(), 0, gScreen->straight.data(), 0, nullptr))
            state.SkipWithError("libpng failed");
    }
}

void BM_VLPNGWriter(benchmark::State& state) {
    const std::string path = gFolder + "/shot.png";
    for (auto _ : state) {
        if (VLPNGWriter::writeSource(*gScreen->premultiplied, path))
            state.SkipWithError("write failed");
    }
}

} // namespace

int main(int argc, char** argv) {
    char folder[] = "/tmp/VLPNGWriterBenchmark.XXXXXX";
    if (!mkdtemp(folder)) {
        std::perror("mkdtemp");
        return 1;
    }
    gFolder = folder;
    ScreenPixels screen;
    gScreen = &screen;
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_LibpngSimplifiedWriter", BM_LibpngSimplifiedWriter, kWrites,
                                  benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_VLPNGWriter", BM_VLPNGWriter, kWrites, benchmark::kMillisecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("--screenshot of a 2560 × 1440 screen", "BM_VLPNGWriter", "BM_LibpngSimplifiedWriter",
                        1.2);
    benchmark::Shutdown();
    std::remove((gFolder + "/floor.png").c_str());
    std::remove((gFolder + "/shot.png").c_str());
    rmdir(folder);
    return 0;
}
