// The cost of a native function called from script through VLJSContext against a bare JavaScriptCore
// callback, and the engine's start-up to a first evaluated script. Prints the ratio at the end.
// Goals: the call within 1.5x the bare callback; start-up well under 10 ms.

#include "Core/Engine/VLJSContext.h"
#include "Core/Engine/VLJSEngine.h"
#include "Core/Engine/VLJSString.h"
#include "Core/Engine/VLJSValueBridge.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
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
BENCHMARK(BM_BareCallback);

void BM_VLJSContextFunction(benchmark::State& state) {
    VLJSContext context;
    setGlobalFunction(context, context.makeFunction("f", [](JSContextRef ctx, JSObjectRef, size_t count,
                                                            const JSValueRef arguments[], JSValueRef*) {
        sink += count ? VLJSValueToNumberFast(ctx, arguments[0]) : 0;
        return JSValueMakeUndefined(ctx);
    }));
    runCallLoop(state, context);
}
BENCHMARK(BM_VLJSContextFunction);

void BM_EngineStartUpToFirstScript(benchmark::State& state) {
    for (auto _ : state) {
        auto engine = VLJSEngine::create();
        benchmark::DoNotOptimize(engine->evaluateScript("1 + 1", "start.js"));
        state.PauseTiming();
        engine.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EngineStartUpToFirstScript)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's time per iteration so that the ratio can be printed after the runs.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nanoseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                nanoseconds[run.benchmark_name()] =
                    run.GetAdjustedRealTime() * (run.time_unit == benchmark::kMillisecond ? 1e6 : 1);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& ns = reporter.nanoseconds;
    if (ns.count("BM_BareCallback") && ns.count("BM_VLJSContextFunction")) {
        const double bare = ns.at("BM_BareCallback") / kCallsPerLoop;
        const double ours = ns.at("BM_VLJSContextFunction") / kCallsPerLoop;
        std::printf("native call: %.2f ns through VLJSContext, %.2f ns bare: %.2fx (goal <= 1.5x)\n", ours,
                    bare, ours / bare);
    }
    if (ns.count("BM_EngineStartUpToFirstScript"))
        std::printf("engine start-up to a first evaluated script: %.2f ms (goal well under 10 ms)\n",
                    ns.at("BM_EngineStartUpToFirstScript") / 1e6);
    benchmark::Shutdown();
    return 0;
}
