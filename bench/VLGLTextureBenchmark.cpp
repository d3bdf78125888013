// A texture of 1440 × 900 RGBA pixels made with VLGLTexture::createWithWidth (a storage, its sampler
// params, the memory tracker, the default pixel store, the caller's binding saved and put back, the
// name deleted when the texture goes) against the bare GL that makes the same texture: a new name
// bound, glTexImage2D of the same bytes, the name deleted. Prints the medians of the process's CPU time
// (llvmpipe works on threads of its own) against that floor, their repetitions taking turns.
// Goal: within 1.1x, that is no copy or conversion of the pixels on the way.
// Run pinned: taskset -c 2 VLGLTextureBenchmark.

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

namespace {

constexpr int32_t kWidth = 1440;
constexpr int32_t kHeight = 900;
constexpr int kUploads = 100;

const std::vector<uint8_t>& screenPixels() {
    static const std::vector<uint8_t> pixels = [] {
        std::vector<uint8_t> bytes(size_t(kWidth) * kHeight * 4);
        for (size_t index = 0; index < bytes.size(); ++index)
            bytes[index] = uint8_t(index * 31 + index / 4096);
        return bytes;
    }();
    return pixels;
}

void BM_glTexImage2D(benchmark::State& state) {
    const std::vector<uint8_t>& pixels = screenPixels();
    for (auto _ : state) {
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kWidth, kHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        glDeleteTextures(1, &texture);
    }
    glFinish();
}

void BM_VLGLTexture(benchmark::State& state) {
    const std::vector<uint8_t>& pixels = screenPixels();
    for (auto _ : state) {
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(kWidth, kHeight, pixels);
        benchmark::DoNotOptimize(texture->textureId());
    }
    glFinish();
}

} // namespace

int main(int argc, char** argv) {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::create(2);
    if (!VLEGLContext::setCurrentContext(context)) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    // llvmpipe's upload cost drifts over a process's life.
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_glTexImage2D", BM_glTexImage2D, kUploads, benchmark::kMicrosecond);
    VLBenchmarkRegisterProcessCPU("BM_VLGLTexture", BM_VLGLTexture, kUploads, benchmark::kMicrosecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("VLGLTexture of 1440 × 900 pixels", "BM_VLGLTexture", "BM_glTexImage2D", 1.1);
    benchmark::Shutdown();
    VLEGLContext::setCurrentContext(nullptr);
    return 0;
}
