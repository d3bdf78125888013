// postMessage of a 1 MB object (records of numbers, strings, booleans, nested objects and arrays) to a
// handler that does nothing, against its floor: the script's own JSON.stringify of the same object, in
// the same engine. Both count the CPU time of every thread of the process, since the work is on the
// JavaScript thread. Prints the medians against the goal at the end: postMessage within 4x the
// stringify. Run pinned: taskset -c 2 VLValueBridgeBenchmark.
//
// The other way, a call that hands the same object, made native, to a script function that ignores it,
// against the script's own JSON.parse of the object's text, held to the same 4x.
//
// Two more figures, against the same stringify, bound what a faster conversion can reach: building and
// freeing the message's native tree (a deep copy made on the JavaScript thread), which every conversion
// pays however it reads the object, and a script that only visits every value once, the least that a
// check in script proving the object plain (so that it could be converted through JSON) would cost.

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

// A tree with new containers throughout: copies of a value share them.
VLValue deepCopy(const VLValue& value) {
    switch (value.type()) {
    case VLValue::Type::Array: {
        VLArray array;
        array.reserve(value.count());
        for (const VLValue& element : value.arrayValue())
            array.push_back(deepCopy(element));
        return array;
    }
    case VLValue::Type::Dictionary: {
        VLDictionary dictionary;
        dictionary.reserve(value.count());
        for (const auto& [key, element] : value.dictionaryValue())
            dictionary.set(key, deepCopy(element));
        return dictionary;
    }
    case VLValue::Type::Data:
        return VLData(value.dataValue());
    default:
        return value;
    }
}

// Keeps the first message it gets; every later one builds and frees a deep copy of it.
class CopyingHandler final : public VLJSEngineScriptMessageHandler {
public:
    void jsEngine(VLJSEngine&, const VLValue& message) override {
        if (_kept.isNil())
            _kept = message;
        else
            benchmark::DoNotOptimize(deepCopy(_kept));
    }

private:
    // Only the engine's JavaScript thread touches it.
    VLValue _kept;
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
function visit(value) {
    if (typeof value !== 'object' || value === null)
        return 1;
    let count = 1;
    if (Array.isArray(value)) {
        for (let i = 0; i < value.length; ++i)
            count += visit(value[i]);
    } else {
        for (const key in value)
            count += visit(value[key]);
    }
    return count;
}
var text = JSON.stringify(data);
function ignore() {}
text.length;
)";

std::shared_ptr<VLJSEngine> makeEngine() {
    auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
    engine->addScriptMessageHandler(std::make_shared<DiscardingHandler>(), "sink");
    engine->addScriptMessageHandler(std::make_shared<CopyingHandler>(), "copy");
    const VLValue length = engine->evaluateScript(kMakeData, "data.js");
    if (length.doubleValue() < 1000000) {
        std::fprintf(stderr, "the benchmark's object is too small: %.0f bytes\n", length.doubleValue());
        std::abort();
    }
    return engine;
}

void runScript(benchmark::State& state, const char* script, const char* setUp = nullptr) {
    auto engine = makeEngine();
    if (setUp)
        engine->evaluateScript(setUp, "setup.js");
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->evaluateScript(script, "bench.js"));
}

void BM_JSONStringifyOfLargeObject(benchmark::State& state) {
    runScript(state, "JSON.stringify(data); undefined");
}

void BM_PostMessageOfLargeObject(benchmark::State& state) {
    runScript(state, "postMessage('sink', data); undefined");
}

void BM_NativeTreeOfLargeObject(benchmark::State& state) {
    runScript(state, "postMessage('copy', null); undefined", "postMessage('copy', data)");
}

void BM_ScriptVisitOfLargeObject(benchmark::State& state) {
    runScript(state, "visit(data); undefined");
}

void BM_JSONParseOfLargeObject(benchmark::State& state) {
    runScript(state, "JSON.parse(text); undefined");
}

void BM_CallWithLargeObject(benchmark::State& state) {
    auto engine = makeEngine();
    const VLArray arguments{engine->evaluateScript("data", "data.js")};
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->callJSMethod("ignore", arguments));
}

// Medians of repetitions, in the CPU time of the whole process.
void measureInProcessTime(benchmark::internal::Benchmark* run) {
    run->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->Repetitions(VLBenchmarkReporter::kRepetitions)
        ->ReportAggregatesOnly(true);
}

BENCHMARK(BM_JSONStringifyOfLargeObject)->Apply(measureInProcessTime);
BENCHMARK(BM_PostMessageOfLargeObject)->Apply(measureInProcessTime);
BENCHMARK(BM_JSONParseOfLargeObject)->Apply(measureInProcessTime);
BENCHMARK(BM_CallWithLargeObject)->Apply(measureInProcessTime);
BENCHMARK(BM_NativeTreeOfLargeObject)->Apply(measureInProcessTime);
BENCHMARK(BM_ScriptVisitOfLargeObject)->Apply(measureInProcessTime);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("postMessage of a 1 MB object, CPU time", "BM_PostMessageOfLargeObject",
                        "BM_JSONStringifyOfLargeObject", 4);
    reporter.printRatio("of that budget, the native tree alone (built and freed)",
                        "BM_NativeTreeOfLargeObject", "BM_JSONStringifyOfLargeObject", 4);
    reporter.printRatio("of that budget, a script visiting every value once", "BM_ScriptVisitOfLargeObject",
                        "BM_JSONStringifyOfLargeObject", 4);
    reporter.printRatio("a call given the 1 MB object, CPU time", "BM_CallWithLargeObject",
                        "BM_JSONParseOfLargeObject", 4);
    benchmark::Shutdown();
    return 0;
}
