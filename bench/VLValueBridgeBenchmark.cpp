// postMessage of a 1 MB object (records of numbers, strings, booleans, nested objects and arrays) to a
// handler that does nothing, against its floor: the script's own JSON.stringify of the same object, in
// the same engine. Both count the CPU time of every thread of the process, since the work is on the
// JavaScript thread. Prints the medians against the goal at the end: postMessage within 4x the
// stringify. Run pinned: taskset -c 2 VLValueBridgeBenchmark.

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

class DiscardingHandler final : public VLJSEngineScriptMessageHandler {
public:
    void jsEngine(VLJSEngine&, const VLValue& message) override { benchmark::DoNotOptimize(&message); }
};

// Builds the global `data`, whose JSON text is a little over 1,000,000 bytes.
constexpr const char* kMakeData = R"(
var data = { kind: 'catalogue', version: 3, items: [] };
for (let i = 0; data.items.length < 7600; ++i) {
    data.items.push({
        id: i, name: 'item ' + i, price: i * 1.25, available: i % 3 !== 0,
        tags: ['red', 'large', 'sale'], size: { width: i % 640, height: i % 480 }, note: null,
    });
}
JSON.stringify(data).length;
)";

std::shared_ptr<VLJSEngine> makeEngine() {
    auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    engine->addScriptMessageHandler(std::make_shared<DiscardingHandler>(), "sink");
    const VLValue length = engine->evaluateScript(kMakeData, "data.js");
    if (length.doubleValue() < 1000000) {
        std::fprintf(stderr, "the benchmark's object is too small: %.0f bytes\n", length.doubleValue());
        std::abort();
    }
    return engine;
}

void runScript(benchmark::State& state, const char* script) {
    auto engine = makeEngine();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->evaluateScript(script, "bench.js"));
}

void BM_JSONStringifyOfLargeObject(benchmark::State& state) {
    runScript(state, "JSON.stringify(data); undefined");
}

void BM_PostMessageOfLargeObject(benchmark::State& state) {
    runScript(state, "postMessage('sink', data); undefined");
}

BENCHMARK(BM_JSONStringifyOfLargeObject)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PostMessageOfLargeObject)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("postMessage of a 1 MB object, CPU time", "BM_PostMessageOfLargeObject",
                        "BM_JSONStringifyOfLargeObject", 4);
    benchmark::Shutdown();
    return 0;
}
