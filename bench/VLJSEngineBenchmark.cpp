// The cost of a native function called from script through VLJSContext against a bare JavaScriptCore
// callback, of a binding function and a binding property getter against bare static ones of a class
// of the same shape, and the engine's start-up to a first evaluated script. Prints the ratios at the
// end. Goals: each call within 1.5x its bare peer; start-up well under 10 ms.

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

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

// The binding: f(x) and the getter x, doing what the bare peers do.
class VLBenchJSBinding final : public VLJSBinding<VLBenchJSBinding> {
public:
    JSValueRef f(JSContextRef ctx, size_t count, const JSValueRef arguments[], JSValueRef* exception) {
        return bareCallback(ctx, nullptr, nullptr, count, arguments, exception);
    }
    JSValueRef x(JSContextRef ctx) { return JSValueMakeNumber(ctx, 1); }
    static void describe(VLJSClassBuilder<VLBenchJSBinding>& b) {
        b.function<"f", &VLBenchJSBinding::f>();
        b.getter<"x", &VLBenchJSBinding::x>();
    }
};

JSValueRef bareGetter(JSContextRef ctx, JSObjectRef, JSStringRef, JSValueRef*) {
    return JSValueMakeNumber(ctx, 1);
}

// An object of a bare class with the static function f and the static value x, whose parent class is
// the binding classes' own, so that only the binding layer differs.
JSObjectRef makeBareObject(JSContextRef ctx) {
    static const JSClassRef bareClass = [] {
        static const JSStaticFunction functions[] = {{"f", bareCallback, kJSPropertyAttributeDontDelete}, {}};
        static const JSStaticValue values[] = {
            {"x", bareGetter, nullptr, kJSPropertyAttributeDontDelete | kJSPropertyAttributeReadOnly}, {}};
        JSClassDefinition definition = kJSClassDefinitionEmpty;
        definition.className = "Bare";
        definition.parentClass = VLJSBindingObjectClass();
        definition.staticFunctions = functions;
        definition.staticValues = values;
        return JSClassCreate(&definition);
    }();
    return JSObjectMake(ctx, bareClass, nullptr);
}

// Runs the loop body kCallsPerLoop times per iteration with the global "o" set to the object.
void runMemberLoop(benchmark::State& state, VLJSContext& context, JSObjectRef object, const char* body) {
    VLJSString name("o");
    JSObjectSetProperty(context.globalContext(), context.globalObject(), name.get(), object,
                        kJSPropertyAttributeNone, nullptr);
    const std::string script = "(function () { let s = 0; for (let i = 0; i < " +
                               std::to_string(kCallsPerLoop) + "; ++i) " + body + "; return s; })()";
    for (auto _ : state)
        context.evaluateScript(script);
    state.SetItemsProcessed(state.iterations() * kCallsPerLoop);
}

// Runs the loop over a binding object in a bound binding context.
void runBindingLoop(benchmark::State& state, const char* body) {
    VLJSContext context;
    auto bindingContext = std::make_shared<VLJSBindingContext>();
    bindingContext->bindJSContext(context.globalContext(), nullptr, nullptr);
    JSObjectRef object = VLJSBindingBase::createJSObjectWithContext(context.globalContext(), bindingContext,
                                                                    std::make_shared<VLBenchJSBinding>());
    runMemberLoop(state, context, object, body);
    bindingContext->unbindJSContext();
}

void BM_BareStaticFunction(benchmark::State& state) {
    VLJSContext context;
    runMemberLoop(state, context, makeBareObject(context.globalContext()), "o.f(i)");
}
BENCHMARK(BM_BareStaticFunction);

void BM_BindingFunction(benchmark::State& state) {
    runBindingLoop(state, "o.f(i)");
}
BENCHMARK(BM_BindingFunction);

void BM_BareStaticGetter(benchmark::State& state) {
    VLJSContext context;
    runMemberLoop(state, context, makeBareObject(context.globalContext()), "s += o.x");
}
BENCHMARK(BM_BareStaticGetter);

void BM_BindingGetter(benchmark::State& state) {
    runBindingLoop(state, "s += o.x");
}
BENCHMARK(BM_BindingGetter);

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
    struct Peers {
        const char* label;
        const char* ours;
        const char* bare;
    };
    for (const Peers& peers : {Peers{"binding function", "BM_BindingFunction", "BM_BareStaticFunction"},
                               Peers{"binding getter", "BM_BindingGetter", "BM_BareStaticGetter"}}) {
        if (ns.count(peers.ours) && ns.count(peers.bare))
            std::printf("%s: %.2f ns, bare static peer %.2f ns: %.2fx (goal <= 1.5x)\n", peers.label,
                        ns.at(peers.ours) / kCallsPerLoop, ns.at(peers.bare) / kCallsPerLoop,
                        ns.at(peers.ours) / ns.at(peers.bare));
    }
    if (ns.count("BM_EngineStartUpToFirstScript"))
        std::printf("engine start-up to a first evaluated script: %.2f ms (goal well under 10 ms)\n",
                    ns.at("BM_EngineStartUpToFirstScript") / 1e6);
    benchmark::Shutdown();
    return 0;
}
