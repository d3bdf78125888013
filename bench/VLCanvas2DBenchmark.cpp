// The 2D context's batch: 10,000 fillRect calls of 8 × 8 pixels at varied places, then the flush and
// glFinish, against the same 60,000 vertices built once and drawn with one glDrawArrays of the flat
// program, then glFinish. Prints the medians of the process's CPU time (llvmpipe draws on threads of
// its own) against that floor, their repetitions taking turns.
// Goal: within 1.3x, that is batching, transforming and colouring the rectangles costs little beside
// drawing them.
// Run pinned: taskset -c 2 VLCanvas2DBenchmark.

#include "Modules/Canvas/Context2D/VLGLProgram2D.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Tests/Support/VLOffscreenCanvas2DContext.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRects = 10000;
constexpr int16_t kSide = 512;

struct Placement {
    float x;
    float y;
};

// Places spread over the canvas, the same every run.
const std::vector<Placement>& placements() {
    static const std::vector<Placement> made = [] {
        std::vector<Placement> list;
        uint32_t seed = 12345;
        for (int i = 0; i < kRects; ++i) {
            seed = seed * 1664525 + 1013904223;
            list.push_back({float(seed % (kSide - 8)), float((seed >> 16) % (kSide - 8))});
        }
        return list;
    }();
    return made;
}

// Made and freed by main.
std::shared_ptr<VLOffscreenCanvas2DContext>* gContext = nullptr;

void BM_FillRects(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    context.state()->fillColor = {200, 100, 50, 255};
    for (auto _ : state) {
        context.prepare();
        for (const Placement& place : placements())
            context.fillRectX(place.x, place.y, 8, 8);
        context.flushBuffers();
        glFinish();
    }
}

void BM_DrawPrebuiltVertices(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    const uint32_t color = context.vertexColor({200, 100, 50, 255});
    std::vector<VLCanvas2DVertex> vertices;
    for (const Placement& place : placements()) {
        const float right = place.x + 8;
        const float bottom = place.y + 8;
        vertices.insert(vertices.end(), {{place.x, place.y, 0, 0, color},
                                         {right, place.y, 0, 0, color},
                                         {place.x, bottom, 0, 0, color},
                                         {right, place.y, 0, 0, color},
                                         {place.x, bottom, 0, 0, color},
                                         {right, bottom, 0, 0, color}});
    }
    const auto* base = reinterpret_cast<const uint8_t*>(vertices.data());
    for (auto _ : state) {
        context.prepare();
        context.setProgram(context.programFlat());
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(VLCanvas2DVertex), base);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(VLCanvas2DVertex),
                              base + offsetof(VLCanvas2DVertex, u));
        glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(VLCanvas2DVertex),
                              base + offsetof(VLCanvas2DVertex, color));
        glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size()));
        glFinish();
    }
    context.prepare();
}

} // namespace

int main(int argc, char** argv) {
    std::shared_ptr<VLOffscreenCanvas2DContext> context =
        VLOffscreenCanvas2DContext::make(nullptr, kSide, kSide, {});
    if (!context->isValid()) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    gContext = &context;
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_DrawPrebuiltVertices", BM_DrawPrebuiltVertices, 20,
                                  benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_FillRects", BM_FillRects, 20, benchmark::kMillisecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("10,000 fillRect calls of 8 × 8, flushed", "BM_FillRects", "BM_DrawPrebuiltVertices",
                        1.3);
    benchmark::Shutdown();
    gContext = nullptr;
    context.reset();
    VLEGLContext::setCurrentContext(nullptr);
    return 0;
}
