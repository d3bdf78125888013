// The 2D context's batch: 10,000 fillRect calls of 8 × 8 pixels at varied places, then the flush and
// glFinish, against the same 60,000 vertices built once and drawn with one glDrawArrays of the flat
// program, then glFinish. Prints the medians of the process's CPU time (llvmpipe draws on threads of
// its own) against that floor, their repetitions taking turns.
// Goal: within 1.3x, that is batching, transforming and colouring the rectangles costs little beside
// drawing them.
// Paths: filling a star polygon of 1,000 segments under nonzero, built anew each time, against the same
// stencil fans and cover drawn with plain GL calls (goal 1.5x); stroking it 4 px wide with miter joins,
// opaque, against its triangles captured once and drawn with one glDrawArrays (goal 2x: the stroke is
// built on the CPU).
// Run pinned: taskset -c 2 VLCanvas2DBenchmark.

#include "Modules/Canvas/Context2D/VLGLProgram2D.h"
#include "Modules/Canvas/Context2D/VLVector2.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Tests/Support/VLOffscreenCanvas2DContext.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <numbers>
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

constexpr int kStarSegments = 1000;

// A star about the canvas's centre, its points alternately 240 and 120 px out.
const std::vector<VLVector2>& starPoints() {
    static const std::vector<VLVector2> made = [] {
        std::vector<VLVector2> points;
        for (int i = 0; i < kStarSegments; ++i) {
            const double angle = 2 * std::numbers::pi * i / kStarSegments;
            const double radius = i % 2 ? 120 : 240;
            points.emplace_back(float(kSide / 2 + radius * std::cos(angle)),
                                float(kSide / 2 + radius * std::sin(angle)));
        }
        return points;
    }();
    return made;
}

void buildStar(VLOffscreenCanvas2DContext& context) {
    context.beginPath();
    const std::vector<VLVector2>& points = starPoints();
    context.moveToX(points[0].x, points[0].y);
    for (size_t i = 1; i < points.size(); ++i)
        context.lineToX(points[i].x, points[i].y);
    context.closePath();
}

void BM_FillStar(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    context.state()->fillColor = {200, 100, 50, 255};
    for (auto _ : state) {
        context.prepare();
        buildStar(context);
        context.fill(nullptr, nullptr);
        context.flushBuffers();
        glFinish();
    }
}

// What the fill draws, as plain GL calls: the stencil cleared over the bounds, the fan counted up and
// down, and the cover.
void BM_FillStarWithGL(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    std::vector<VLVector2> fan = starPoints();
    fan.push_back(fan.front());
    const uint32_t color = context.vertexColor({200, 100, 50, 255});
    const float low = kSide / 2 - 240;
    const float high = kSide / 2 + 240;
    const VLCanvas2DVertex cover[] = {{low, low, 0, 0, color},  {high, low, 0, 0, color},
                                      {low, high, 0, 0, color}, {high, low, 0, 0, color},
                                      {low, high, 0, 0, color}, {high, high, 0, 0, color}};
    const auto* coverBase = reinterpret_cast<const uint8_t*>(cover);
    constexpr GLsizei stride = sizeof(VLCanvas2DVertex);
    for (auto _ : state) {
        context.prepare();
        context.setProgram(context.programFlat());
        context.createStencilBufferOnce();
        glDisableVertexAttribArray(1);
        glDisableVertexAttribArray(2);
        glDisable(GL_BLEND);
        glEnable(GL_STENCIL_TEST);
        glStencilMask(0xFF);
        glStencilFunc(GL_ALWAYS, 0, 0xFF);
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, coverBase);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        glEnable(GL_CULL_FACE);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, fan.data());
        glCullFace(GL_BACK);
        glStencilOp(GL_INCR_WRAP, GL_KEEP, GL_INCR_WRAP);
        glDrawArrays(GL_TRIANGLE_FAN, 0, GLsizei(fan.size()));
        glCullFace(GL_FRONT);
        glStencilOp(GL_DECR_WRAP, GL_KEEP, GL_DECR_WRAP);
        glDrawArrays(GL_TRIANGLE_FAN, 0, GLsizei(fan.size()));
        glDisable(GL_CULL_FACE);
        glEnableVertexAttribArray(1);
        glEnableVertexAttribArray(2);
        glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride, coverBase);
        glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride, coverBase + offsetof(VLCanvas2DVertex, u));
        glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                              coverBase + offsetof(VLCanvas2DVertex, color));
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glEnable(GL_BLEND);
        glStencilFunc(GL_NOTEQUAL, 0, 0xFF);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        glDisable(GL_STENCIL_TEST);
        glFinish();
    }
    context.prepare();
}

void strokeStar(VLOffscreenCanvas2DContext& context) {
    VLCanvasState& drawing = *context.state();
    drawing.strokeColor = {50, 100, 200, 255};
    drawing.lineWidth = 4;
    drawing.lineJoin = 0;
    buildStar(context);
    context.stroke();
    context.flushBuffers();
}

void BM_StrokeStar(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    for (auto _ : state) {
        context.prepare();
        strokeStar(context);
        glFinish();
    }
}

// The stroke's triangles as the batch held them when drawn, caught by standing in for glDrawArrays.
std::vector<VLCanvas2DVertex>* gCaptured = nullptr;
PFNGLDRAWARRAYSPROC gDrawArrays = nullptr;

void GL_APIENTRY captureDrawArrays(GLenum mode, GLint first, GLsizei count) {
    void* pointer = nullptr;
    glGetVertexAttribPointerv(0, GL_VERTEX_ATTRIB_ARRAY_POINTER, &pointer);
    const auto* vertices = static_cast<const VLCanvas2DVertex*>(pointer);
    gCaptured->insert(gCaptured->end(), vertices + first, vertices + first + count);
    gDrawArrays(mode, first, count);
}

void BM_DrawStrokeTriangles(benchmark::State& state) {
    VLOffscreenCanvas2DContext& context = **gContext;
    std::vector<VLCanvas2DVertex> vertices;
    gCaptured = &vertices;
    gDrawArrays = glDrawArrays;
    glDrawArrays = &captureDrawArrays;
    context.prepare();
    strokeStar(context);
    glDrawArrays = gDrawArrays;
    gCaptured = nullptr;
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
    VLBenchmarkRegisterProcessCPU("BM_FillStarWithGL", BM_FillStarWithGL, 20, benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_FillStar", BM_FillStar, 20, benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_DrawStrokeTriangles", BM_DrawStrokeTriangles, 20,
                                  benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_StrokeStar", BM_StrokeStar, 20, benchmark::kMillisecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("10,000 fillRect calls of 8 × 8, flushed", "BM_FillRects", "BM_DrawPrebuiltVertices",
                        1.3);
    reporter.printRatio("filling a star of 1,000 segments, nonzero", "BM_FillStar", "BM_FillStarWithGL", 1.5);
    reporter.printRatio("stroking a star of 1,000 segments, 4 px, mitred", "BM_StrokeStar",
                        "BM_DrawStrokeTriangles", 2);
    benchmark::Shutdown();
    gContext = nullptr;
    context.reset();
    VLEGLContext::setCurrentContext(nullptr);
    return 0;
}
