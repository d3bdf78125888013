// Decoding a 2048 by 2048 PNG (with alpha, so premultiplying is paid) and a 2048 by 2048 JPEG through
// VLImageDecoder, against the bare library decoding the same bytes to RGBA in the same run. Prints the
// medians of CPU time and their ratios at the end. Goal: within 1.2x of the bare library.

#include "Platform/Image/VLImageDecoder.h"

#include <benchmark/benchmark.h>

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kSide = 2048;

// Smooth gradients with a little noise, like a photograph, and an alpha that falls off from the
// centre.
std::vector<uint8_t> makePixels() {
    std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
    uint32_t noise = 1;
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            noise = noise * 1103515245 + 12345;
            const int jitter = int(noise >> 28) - 8;
            uint8_t* pixel = &pixels[(size_t(y) * kSide + x) * 4];
            pixel[0] = uint8_t(std::clamp(int(x * 255 / kSide) + jitter, 0, 255));
            pixel[1] = uint8_t(std::clamp(int(y * 255 / kSide) + jitter, 0, 255));
            pixel[2] = uint8_t(std::clamp(int(128 + 100 * std::sin(x * 0.01) * std::cos(y * 0.013)), 0, 255));
            const double distance = std::hypot(double(x) - kSide / 2.0, double(y) - kSide / 2.0);
            pixel[3] = uint8_t(std::clamp(int(320 - distance * 255 / kSide), 0, 255));
        }
    }
    return pixels;
}

const std::vector<uint8_t>& pngBytes() {
    static const std::vector<uint8_t> bytes = [] {
        const auto pixels = makePixels();
        png_image image = {};
        image.version = PNG_IMAGE_VERSION;
        image.width = kSide;
        image.height = kSide;
        image.format = PNG_FORMAT_RGBA;
        png_alloc_size_t size = 0;
        png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
        std::vector<uint8_t> encoded(size);
        png_image_write_to_memory(&image, encoded.data(), &size, 0, pixels.data(), 0, nullptr);
        encoded.resize(size);
        return encoded;
    }();
    return bytes;
}

const std::vector<uint8_t>& jpegBytes() {
    static const std::vector<uint8_t> bytes = [] {
        const auto pixels = makePixels();
        jpeg_compress_struct info;
        jpeg_error_mgr errors;
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = kSide;
        info.image_height = kSide;
        info.input_components = 4;
        info.in_color_space = JCS_EXT_RGBA;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height) {
            JSAMPROW row = const_cast<uint8_t*>(&pixels[size_t(info.next_scanline) * kSide * 4]);
            jpeg_write_scanlines(&info, &row, 1);
        }
        jpeg_finish_compress(&info);
        std::vector<uint8_t> encoded(buffer, buffer + size);
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return encoded;
    }();
    return bytes;
}

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t position;
};

void readPNG(png_structp png, png_bytep into, size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (count > reader->bytes->size() - reader->position)
        png_error(png, "truncated");
    std::memcpy(into, reader->bytes->data() + reader->position, count);
    reader->position += count;
}

// libpng as its manual has it, to RGBA of 8 bits.
std::unique_ptr<uint8_t[]> bareDecodePNG(const std::vector<uint8_t>& bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::unique_ptr<uint8_t[]> pixels;
    MemoryReader reader{&bytes, 0};
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_set_read_fn(png, &reader, readPNG);
        png_read_info(png, info);
        png_set_expand(png);
        png_set_scale_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
        const int passes = png_set_interlace_handling(png);
        png_read_update_info(png, info);
        const uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
        pixels.reset(new uint8_t[size_t(width) * height * 4]);
        for (int pass = 0; pass < passes; ++pass) {
            for (uint32_t y = 0; y < height; ++y)
                png_read_row(png, pixels.get() + size_t(y) * width * 4, nullptr);
        }
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

// libjpeg-turbo straight to RGBA.
std::unique_ptr<uint8_t[]> bareDecodeJPEG(const std::vector<uint8_t>& bytes) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), bytes.size());
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&info);
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[size_t(info.output_width) * info.output_height * 4]);
    JSAMPROW rows[16];
    while (info.output_scanline < info.output_height) {
        const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - info.output_scanline);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = pixels.get() + size_t(info.output_scanline + i) * info.output_width * 4;
        jpeg_read_scanlines(&info, rows, count);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return pixels;
}

using Encoded = const std::vector<uint8_t>& (*)();

void BM_Bare(benchmark::State& state, Encoded encoded,
             std::unique_ptr<uint8_t[]> (*decode)(const std::vector<uint8_t>&)) {
    const auto& bytes = encoded();
    for (auto _ : state)
        benchmark::DoNotOptimize(decode(bytes));
}

void BM_VLImageDecoder(benchmark::State& state, Encoded encoded) {
    const auto& bytes = encoded();
    for (auto _ : state) {
        auto bitmap = VLImageDecoder::decode(bytes);
        if (!bitmap)
            state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(bitmap);
    }
}

// Peers alternate so that a change in the machine's load touches both alike.
BENCHMARK_CAPTURE(BM_Bare, PNG, pngBytes, bareDecodePNG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_VLImageDecoder, PNG, pngBytes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_Bare, JPEG, jpegBytes, bareDecodeJPEG)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK_CAPTURE(BM_VLImageDecoder, JPEG, jpegBytes)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

// Keeps the median CPU time of each benchmark, in milliseconds.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> milliseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                milliseconds[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& ms = reporter.milliseconds;
    for (const char* format : {"PNG", "JPEG"}) {
        const std::string ours = std::string("BM_VLImageDecoder/") + format,
                          bare = std::string("BM_Bare/") + format;
        if (ms.count(ours) && ms.count(bare))
            std::printf("%s %ux%u: %.2f ms through VLImageDecoder, %.2f ms bare: %.2fx (goal <= 1.2x)\n",
                        format, kSide, kSide, ms.at(ours), ms.at(bare), ms.at(ours) / ms.at(bare));
    }
    benchmark::Shutdown();
    return 0;
}
