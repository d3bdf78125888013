// 100,000 uploads of a 1 × 1 texture through VLGLTexImage2D, which records the image in the share group's
// memory tracker, against the bare glTexImage2D on the same texture. Prints the medians of the process's
// CPU time (llvmpipe works on threads of its own) against that floor, their repetitions taking turns.
// Goal: within 1.2x.
// Run pinned: taskset -c 2 VLGLMemoryTrackerBenchmark.

#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLWrappers.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

constexpr int kUploads = 100000;
const uint8_t kPixel[4] = {1, 2, 3, 4};

// A texture bound in a current context for the program's life.
struct BenchTexture {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::create(3);
    GLuint texture = 0;

    BenchTexture() {
        if (!VLEGLContext::setCurrentContext(context))
            return;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
    }
    ~BenchTexture() {
        if (texture)
            glDeleteTextures(1, &texture);
        VLEGLContext::setCurrentContext(nullptr);
    }
};

void BM_glTexImage2D(benchmark::State& state) {
    for (auto _ : state)
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, kPixel);
    glFinish();
}

void BM_VLGLTexImage2D(benchmark::State& state) {
    for (auto _ : state)
        VLGLTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, kPixel);
    glFinish();
}

} // namespace

int main(int argc, char** argv) {
    BenchTexture texture;
    if (!texture.texture) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    // llvmpipe's upload cost drifts over a process's life.
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_glTexImage2D", BM_glTexImage2D, kUploads, benchmark::kNanosecond);
    VLBenchmarkRegisterProcessCPU("BM_VLGLTexImage2D", BM_VLGLTexImage2D, kUploads, benchmark::kNanosecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("VLGLTexImage2D of a 1 × 1 texture", "BM_VLGLTexImage2D", "BM_glTexImage2D", 1.2);
    benchmark::Shutdown();
    return 0;
}
