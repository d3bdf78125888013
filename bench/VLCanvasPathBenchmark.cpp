// Canvas paths: flattening 1,000 cubic curves of about 200 px at scale 1 into a path, against evaluating
// the same curves at the same number of points, uniformly in t, into a reserved array (goal: within 2x);
// and parsing 100 KB of SVG path data into a Path2D, against the C library reading the same numbers
// from the same text (goal: within 2x).
// Prints CPU medians against that floor at the end, the repetitions taking turns.
// Run pinned: taskset -c 2 VLCanvasPathBenchmark.

#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"
#include "Modules/Canvas/Context2D/VLPath.h"
#include "Platform/Foundation/VLCLocale.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

// About 100 KB of path data: absolute and relative lines, curves and arcs, the same every run, with where
// each number starts.
struct SVGPathText {
    std::string text;
    std::vector<uint16_t> units;
    std::vector<size_t> numberStarts;
};

const SVGPathText& svgPathText() {
    static const SVGPathText made = [] {
        SVGPathText data;
        uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245 + 12345;
            return (seed >> 8) % 4000;
        };
        auto number = [&](bool flag = false) {
            data.text += ' ';
            data.numberStarts.push_back(data.text.size());
            char item[32];
            if (flag)
                std::snprintf(item, sizeof item, "%u", next() % 2);
            else
                std::snprintf(item, sizeof item, "%.2f", (double(next()) - 2000) / 10);
            data.text += item;
        };
        static constexpr struct {
            char letter;
            int numbers;
        } kCommands[] = {{'L', 2}, {'l', 2}, {'C', 6}, {'c', 6}, {'Q', 4},
                         {'s', 4}, {'H', 1}, {'v', 1}, {'A', 7}, {'a', 7}};
        data.text = "M 10 10";
        data.numberStarts = {2, 5};
        for (size_t i = 0; data.text.size() < 100 * 1024; ++i) {
            const auto& command = kCommands[i % std::size(kCommands)];
            data.text += ' ';
            data.text += command.letter;
            for (int k = 0; k < command.numbers; ++k)
                number(command.letter == 'A' || command.letter == 'a' ? k == 3 || k == 4 : false);
        }
        data.units.assign(data.text.begin(), data.text.end());
        return data;
    }();
    return made;
}

void BM_ParseSVGPathData(benchmark::State& state) {
    for (auto _ : state) {
        VLCanvasPath2D path = VLCanvasPath2D::createWithSVGPathData(svgPathText().units);
        benchmark::DoNotOptimize(path.operations().data());
    }
}

void BM_ReadSVGPathNumbers(benchmark::State& state) {
    const SVGPathText& data = svgPathText();
    for (auto _ : state) {
        double sum = 0;
        for (size_t start : data.numberStarts)
            sum += strtod_l(data.text.c_str() + start, nullptr, VLCLocale());
        benchmark::DoNotOptimize(sum);
    }
}

} // namespace

int main(int argc, char** argv) {
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkReporter::registerRepeated("BM_FlattenCubics", BM_FlattenCubics);
    VLBenchmarkReporter::registerRepeated("BM_EvaluateCubicsUniformly", BM_EvaluateCubicsUniformly);
    VLBenchmarkReporter::registerRepeated("BM_ParseSVGPathData", BM_ParseSVGPathData);
    VLBenchmarkReporter::registerRepeated("BM_ReadSVGPathNumbers", BM_ReadSVGPathNumbers);
    size_t total = 0;
    for (size_t count : pointsPerCurve())
        total += count;
    std::printf("%d curves flatten to %zu points\n", kCurves, total);
    std::printf("%zu bytes of path data hold %zu numbers\n", svgPathText().text.size(),
                svgPathText().numberStarts.size());
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("flattening 1,000 cubic curves", "BM_FlattenCubics", "BM_EvaluateCubicsUniformly",
                        2.0);
    reporter.printRatio("parsing 100 KB of SVG path data", "BM_ParseSVGPathData", "BM_ReadSVGPathNumbers",
                        2.0);
    benchmark::Shutdown();
    return 0;
}
