// presentRenderbuffer of a 1440 × 900 canvas into a VLEGLLayer (the read-back, the rows written upright
// into the pool's next surface, the layer's contents set in a transaction) against the floor of any
// present that leaves the GPU: a bare glReadPixels (GL_BGRA_EXT) of the same framebuffer and a memcpy of
// its bytes. Prints the medians of the process's CPU time (llvmpipe works on threads of its own) against
// that floor, their repetitions taking turns.
// Goal: within 1.3x, that is one read-back and one pass over the pixels, no GPU blit.
// The same for present of an on-screen 2D canvas of that size with a frame pending (its batch flushed,
// the loss check, the present): goal within 1.4x of the same floor.
// Run pinned: taskset -c 2 VLCanvasPresentBenchmark.

#include "Modules/Canvas/Context2D/VLCanvas2DScreenRenderingContext.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t kWidth = 1440;
constexpr int32_t kHeight = 900;
constexpr int kPresents = 50;

std::shared_ptr<VLEGLContext> gContext;
std::shared_ptr<VLEGLLayer> gLayer = std::make_shared<VLEGLLayer>();
std::shared_ptr<VLCanvas2DScreenRenderingContext> gCanvas;

void BM_glReadPixels(benchmark::State& state) {
    std::vector<uint8_t> pixels(size_t(kWidth) * kHeight * 4);
    std::vector<uint8_t> copy(pixels.size());
    for (auto _ : state) {
        glReadPixels(0, 0, kWidth, kHeight, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels.data());
        std::memcpy(copy.data(), pixels.data(), pixels.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_presentRenderbuffer(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(gContext->presentRenderbuffer(GL_RENDERBUFFER));
}

void BM_present(benchmark::State& state) {
    gCanvas->makeContextCurrent();
    for (auto _ : state) {
        gCanvas->setNeedsPresenting(true);
        benchmark::DoNotOptimize(gCanvas->present());
    }
    VLEGLContext::setCurrentContext(gContext);
}

} // namespace

int main(int argc, char** argv) {
    gContext = VLEGLContext::create(2);
    if (!VLEGLContext::setCurrentContext(gContext)) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    GLuint framebuffer = 0;
    GLuint renderbuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &renderbuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
    gContext->renderbufferStorage(GL_RENDERBUFFER, gLayer, kWidth, kHeight);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, renderbuffer);
    glClearColor(0.2f, 0.4f, 0.6f, 0.8f);
    glClear(GL_COLOR_BUFFER_BIT);
    // Without a runtime, in a share group of its own; its view is made at once on this, the main thread.
    gCanvas = std::make_shared<VLCanvas2DScreenRenderingContext>(nullptr, kWidth, kHeight);
    gCanvas->create();
    VLEGLContext::setCurrentContext(gContext);

    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_glReadPixels", BM_glReadPixels, kPresents, benchmark::kMicrosecond);
    VLBenchmarkRegisterProcessCPU("BM_presentRenderbuffer", BM_presentRenderbuffer, kPresents,
                                  benchmark::kMicrosecond);
    VLBenchmarkRegisterProcessCPU("BM_present", BM_present, kPresents, benchmark::kMicrosecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("presentRenderbuffer of 1440 × 900 pixels", "BM_presentRenderbuffer",
                        "BM_glReadPixels", 1.3);
    reporter.printRatio("present of a 1440 × 900 2D canvas", "BM_present", "BM_glReadPixels", 1.4);
    benchmark::Shutdown();

    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &renderbuffer);
    VLEGLContext::setCurrentContext(nullptr);
    gCanvas.reset();
    gLayer.reset();
    gContext.reset();
    return 0;
}
