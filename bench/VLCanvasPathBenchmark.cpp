// Canvas paths: flattening 1,000 cubic curves of about 200 px at scale 1 into a path, against evaluating
// the same curves at the same number of points, uniformly in t, into a reserved array (goal: within 2x).
// Prints CPU medians against that floor at the end, the repetitions taking turns.
// Run pinned: taskset -c 2 VLCanvasPathBenchmark.

#include "Modules/Canvas/Context2D/VLPath.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kCurves = 1000;

struct Cubic {
    VLVector2 start, control1, control2, end;
};

// A chain of curves, each ending where the next begins, 200 px from start to end with controls off to
// alternating sides; the same every run.
const std::vector<Cubic>& curves() {
    static const std::vector<Cubic> chain = [] {
        std::vector<Cubic> made;
        VLVector2 start(400, 400);
        for (int i = 0; i < kCurves; ++i) {
            const double angle = i * 2.399963;
            const VLVector2 direction(float(std::cos(angle)), float(std::sin(angle)));
            const VLVector2 normal(-direction.y, direction.x);
            const float side = i % 2 ? 60 : -80;
            const VLVector2 end = start + direction * 200;
            made.push_back({start, start + direction * 50 + normal * side,
                            start + direction * 150 - normal * side, end});
            start = end;
        }
        return made;
    }();
    return chain;
}

void flattenInto(VLPath& path) {
    path.reset();
    path.moveToX(curves()[0].start.x, curves()[0].start.y);
    for (const Cubic& c : curves())
        path.bezierCurveToCpx1(c.control1.x, c.control1.y, c.control2.x, c.control2.y, c.end.x, c.end.y, 1);
}

// The points each curve adds when flattened, for the floor to evaluate as many.
const std::vector<size_t>& pointsPerCurve() {
    static const std::vector<size_t> counts = [] {
        std::vector<size_t> made;
        VLPath path;
        path.moveToX(curves()[0].start.x, curves()[0].start.y);
        size_t before = path.currentPath().points.size();
        for (const Cubic& c : curves()) {
            path.bezierCurveToCpx1(c.control1.x, c.control1.y, c.control2.x, c.control2.y, c.end.x, c.end.y,
                                   1);
            made.push_back(path.currentPath().points.size() - before);
            before = path.currentPath().points.size();
        }
        return made;
    }();
    return counts;
}

void BM_FlattenCubics(benchmark::State& state) {
    VLPath path;
    for (auto _ : state) {
        flattenInto(path);
        benchmark::DoNotOptimize(path.currentPath().points.data());
    }
}

void BM_EvaluateCubicsUniformly(benchmark::State& state) {
    const std::vector<size_t>& counts = pointsPerCurve();
    size_t total = 1;
    for (size_t count : counts)
        total += count;
    std::vector<VLVector2> points;
    points.reserve(total);
    for (auto _ : state) {
        points.clear();
        points.push_back(curves()[0].start);
        for (size_t i = 0; i < counts.size(); ++i) {
            const Cubic& c = curves()[i];
            const float step = 1.0f / float(counts[i]);
            for (size_t k = 1; k <= counts[i]; ++k) {
                const float t = float(k) * step;
                const float u = 1 - t;
                const float b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
                points.push_back({b0 * c.start.x + b1 * c.control1.x + b2 * c.control2.x + b3 * c.end.x,
                                  b0 * c.start.y + b1 * c.control1.y + b2 * c.control2.y + b3 * c.end.y});
            }
        }
        benchmark::DoNotOptimize(points.data());
    }
}

} // namespace

int main(int argc, char** argv) {
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkReporter::registerRepeated("BM_FlattenCubics", BM_FlattenCubics);
    VLBenchmarkReporter::registerRepeated("BM_EvaluateCubicsUniformly", BM_EvaluateCubicsUniformly);
    size_t total = 0;
    for (size_t count : pointsPerCurve())
        total += count;
    std::printf("%d curves flatten to %zu points\n", kCurves, total);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("flattening 1,000 cubic curves", "BM_FlattenCubics", "BM_EvaluateCubicsUniformly",
                        2.0);
    benchmark::Shutdown();
    return 0;
}
