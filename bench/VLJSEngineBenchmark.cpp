// The cost of a native function called from script through VLJSContext against a bare JavaScriptCore
// callback (its floor), and the engine's start-up to a first evaluated script. Prints the medians
// against their goals at the end: the call within 1.5x its floor, start-up well under 10 ms. The
// binding layer is measured by VLJSBindingBenchmark. Run pinned: taskset -c 2 VLJSEngineBenchmark.

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kCallsPerLoop = 100000;
double sink = 0;

JSValueRef bareCallback(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t count,
                        const JSValueRef arguments[], JSValueRef*) {
    sink += count ? VLJSValueToNumberFast(ctx, arguments[0]) : 0;
    return JSValueMakeUndefined(ctx);
}

// Calls the global function "f" kCallsPerLoop times per iteration.
void runCallLoop(benchmark::State& state, VLJSContext& context) {
    const std::string script = "for (let i = 0; i < " + std::to_string(kCallsPerLoop) + "; ++i) f(i);";
    for (auto _ : state)
        context.evaluateScript(script);
    state.SetItemsProcessed(state.iterations() * kCallsPerLoop);
}

void setGlobalFunction(VLJSContext& context, JSObjectRef function) {
    VLJSString name("f");
    JSObjectSetProperty(context.globalContext(), context.globalObject(), name.get(), function,
                        kJSPropertyAttributeNone, nullptr);
}

void BM_BareCallback(benchmark::State& state) {
    VLJSContext context;
    VLJSString name("f");
    setGlobalFunction(context,
                      JSObjectMakeFunctionWithCallback(context.globalContext(), name.get(), bareCallback));
    runCallLoop(state, context);
}
BENCHMARK(BM_BareCallback)->Repetitions(VLBenchmarkReporter::kRepetitions)->ReportAggregatesOnly(true);

void BM_VLJSContextFunction(benchmark::State& state) {
    VLJSContext context;
    setGlobalFunction(context, context.makeFunction("f", [](JSContextRef ctx, JSObjectRef, size_t count,
                                                            const JSValueRef arguments[], JSValueRef*) {
        sink += count ? VLJSValueToNumberFast(ctx, arguments[0]) : 0;
        return JSValueMakeUndefined(ctx);
    }));
    runCallLoop(state, context);
}
BENCHMARK(BM_VLJSContextFunction)->Repetitions(VLBenchmarkReporter::kRepetitions)->ReportAggregatesOnly(true);

// The set-up runs on the engine's own thread: measured in real time.
void BM_EngineStartUpToFirstScript(benchmark::State& state) {
    for (auto _ : state) {
        auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
        benchmark::DoNotOptimize(engine->evaluateScript("1 + 1", "start.js"));
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EngineStartUpToFirstScript)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("native call through VLJSContext", "BM_VLJSContextFunction", "BM_BareCallback", 1.5,
                        kCallsPerLoop);
    if (std::optional<double> startUp = reporter.median("BM_EngineStartUpToFirstScript", true))
        std::printf("engine start-up to a first evaluated script: %.2f ms (goal well under 10 ms)\n",
                    *startUp / 1e6);
    benchmark::Shutdown();
    return 0;
}
