// The cost of a native function called from script through VLJSContext against a bare JavaScriptCore
// callback (its floor); the engine's start-up with the core prelude to a first evaluated script and its
// teardown against a bare context made on a thread of its own that runs the same prelude on stub natives
// (CPU time of the whole process); the memory each of 50 live engines takes against such a bare context.
// Prints the medians against their goals at the end: the call within 1.5x its floor, start-up within 1.5x,
// memory within 1.15x. The binding layer is measured by VLJSBindingBenchmark. Run pinned: taskset -c 2
// VLJSEngineBenchmark.

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

// Start-up.

std::shared_ptr<VLJSEngine> makeEngine() {
    return VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
}

// Lets the engine go and waits for its thread to end.
void letGo(std::shared_ptr<VLJSEngine> engine) {
    const std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
    engine.reset();
    thread->waitUntilFinished(std::chrono::seconds(30));
}

JSValueRef stubFunction(JSContextRef ctx, JSObjectRef, JSObjectRef, size_t, const JSValueRef[], JSValueRef*) {
    return JSValueMakeUndefined(ctx);
}

JSValueRef stubTrue(JSContextRef ctx, JSObjectRef, JSStringRef, JSValueRef*) {
    return JSValueMakeBoolean(ctx, true);
}

JSValueRef stubProcessorCount(JSContextRef ctx, JSObjectRef, JSStringRef, JSValueRef*) {
    return JSValueMakeNumber(ctx, 8);
}

JSValueRef stubLanguages(JSContextRef ctx, JSObjectRef, JSStringRef, JSValueRef*) {
    JSValueRef language = VLJSValueFromUTF8String(ctx, "en");
    return JSObjectMakeArray(ctx, 1, &language, nullptr);
}

// The natives of the core prelude as a class whose members do nothing: what the prelude runs on in the
// floor, so that the engine's start-up is compared with the same script's.
JSClassRef stubClass(const char* name, const JSStaticFunction* functions, const JSStaticValue* values) {
    JSClassDefinition definition = kJSClassDefinitionEmpty;
    definition.className = name;
    definition.staticFunctions = functions;
    definition.staticValues = values;
    return JSClassCreate(&definition);
}

template <const JSClassRef& jsClass>
JSObjectRef constructStub(JSContextRef ctx, JSObjectRef, size_t, const JSValueRef[], JSValueRef*) {
    return JSObjectMake(ctx, jsClass, nullptr);
}

const JSStaticFunction utilsFunctions[] = {
    {"applyNew", stubFunction, 0},           {"reportUnhandledRejection", stubFunction, 0},
    {"reportException", stubFunction, 0},    {"getRandomValues", stubFunction, 0},
    {"setTimeout", stubFunction, 0},         {"setInterval", stubFunction, 0},
    {"clearTimeout", stubFunction, 0},       {"clearInterval", stubFunction, 0},
    {"setInternalTimeout", stubFunction, 0}, {"base64Encode", stubFunction, 0},
    {"base64Decode", stubFunction, 0},       {nullptr, nullptr, 0}};
const JSStaticValue utilsValues[] = {{"tracksUnhandledRejections", stubTrue, nullptr, 0},
                                     {"preferredLanguages", stubLanguages, nullptr, 0},
                                     {"processorCount", stubProcessorCount, nullptr, 0},
                                     {nullptr, nullptr, nullptr, 0}};
const JSStaticFunction performanceFunctions[] = {{"now", stubFunction, 0}, {nullptr, nullptr, 0}};
const JSStaticValue performanceValues[] = {{"timeOrigin", stubTrue, nullptr, 0},
                                           {nullptr, nullptr, nullptr, 0}};
const JSClassRef utilsClass = stubClass("Utils", utilsFunctions, utilsValues);
const JSClassRef performanceClass = stubClass("Performance", performanceFunctions, performanceValues);

void defineStubScope(JSGlobalContextRef ctx) {
    JSObjectRef scope = JSObjectMake(ctx, nullptr, nullptr);
    const std::pair<const char*, JSObjectRef> constructors[] = {
        {"Utils", JSObjectMakeConstructor(ctx, utilsClass, constructStub<utilsClass>)},
        {"Performance", JSObjectMakeConstructor(ctx, performanceClass, constructStub<performanceClass>)},
    };
    for (const auto& [name, constructor] : constructors)
        JSObjectSetProperty(ctx, scope, VLJSString(name).get(), constructor, kJSPropertyAttributeNone,
                            nullptr);
    JSObjectSetProperty(ctx, JSContextGetGlobalObject(ctx), VLJSString("VeltoCore").get(), scope,
                        kJSPropertyAttributeNone, nullptr);
}

void evaluateOrAbort(JSGlobalContextRef ctx, std::string_view script, const char* sourceURL) {
    JSValueRef exception = nullptr;
    JSEvaluateScript(ctx, VLJSString(script).get(), nullptr, VLJSString(sourceURL).get(), 1, &exception);
    if (exception) {
        std::fprintf(stderr, "the floor's %s threw: %s\n", sourceURL,
                     VLJSValueTransformToNSString(ctx, exception).value_or("?").c_str());
        std::abort();
    }
}

void BM_BareContextStartUpWithCorePrelude(benchmark::State& state) {
    const std::string_view prelude = VLEmbeddedScript("polyfill/VeltoCore").value_or("");
    for (auto _ : state) {
        std::thread([prelude] {
            JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
            defineStubScope(ctx);
            evaluateOrAbort(ctx, prelude, "polyfill/VeltoCore.js");
            evaluateOrAbort(ctx, "1 + 1", "start.js");
            JSGlobalContextRelease(ctx);
        }).join();
    }
}
BENCHMARK(BM_BareContextStartUpWithCorePrelude)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_EngineStartUpWithCorePrelude(benchmark::State& state) {
    for (auto _ : state) {
        auto engine = makeEngine();
        benchmark::DoNotOptimize(engine->evaluateScript("1 + 1", "start.js"));
        letGo(std::move(engine));
    }
}
BENCHMARK(BM_EngineStartUpWithCorePrelude)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

// Memory.

constexpr int kLiveEngines = 50;
constexpr int kMemoryRounds = 5;

size_t residentBytes() {
    std::ifstream statm("/proc/self/statm");
    size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * size_t(sysconf(_SC_PAGESIZE));
}

// The resident bytes that each of kLiveEngines engines takes once its first script has run.
double bytesPerEngine() {
    const size_t before = residentBytes();
    std::vector<std::shared_ptr<VLJSEngine>> engines;
    for (int index = 0; index < kLiveEngines; ++index) {
        engines.push_back(makeEngine());
        engines.back()->evaluateScript("1 + 1", "start.js");
    }
    return double(residentBytes() - before) / kLiveEngines;
}

// The same for bare contexts that run the same prelude on stub natives, each made on a thread of its
// own that then waits.
double bytesPerBareContext() {
    const std::string_view prelude = VLEmbeddedScript("polyfill/VeltoCore").value_or("");
    std::mutex lock;
    std::condition_variable changed;
    int ready = 0;
    bool done = false;
    const size_t before = residentBytes();
    std::vector<std::thread> threads;
    for (int index = 0; index < kLiveEngines; ++index) {
        threads.emplace_back([&] {
            JSGlobalContextRef ctx = JSGlobalContextCreate(nullptr);
            defineStubScope(ctx);
            evaluateOrAbort(ctx, prelude, "polyfill/VeltoCore.js");
            evaluateOrAbort(ctx, "1 + 1", "start.js");
            std::unique_lock guard(lock);
            ++ready;
            changed.notify_all();
            changed.wait(guard, [&] { return done; });
            JSGlobalContextRelease(ctx);
        });
    }
    double bytes = 0;
    {
        std::unique_lock guard(lock);
        changed.wait(guard, [&] { return ready == kLiveEngines; });
        bytes = double(residentBytes() - before) / kLiveEngines;
        done = true;
        changed.notify_all();
    }
    for (std::thread& thread : threads)
        thread.join();
    return bytes;
}

// Measured in a child process each, before this process has run any script, so that one measurement's
// freed memory does not lower the next one's.
double measureInChild(double (*measure)()) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        std::abort();
    const pid_t child = fork();
    if (child == 0) {
        const double bytes = measure();
        if (write(pipeEnds[1], &bytes, sizeof bytes) != sizeof bytes)
            _exit(1);
        _exit(0);
    }
    close(pipeEnds[1]);
    double bytes = 0;
    if (read(pipeEnds[0], &bytes, sizeof bytes) != sizeof bytes)
        bytes = 0;
    close(pipeEnds[0]);
    waitpid(child, nullptr, 0);
    return bytes;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct MemoryPerEngine {
    double engine = 0;
    double bareContext = 0;
};

MemoryPerEngine measureMemoryPerEngine() {
    std::vector<double> engines, bareContexts;
    for (int round = 0; round < kMemoryRounds; ++round) {
        bareContexts.push_back(measureInChild(bytesPerBareContext));
        engines.push_back(measureInChild(bytesPerEngine));
    }
    return {median(engines), median(bareContexts)};
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // First, while no script has run and no thread runs in this process (the children are forked from it).
    const MemoryPerEngine memory = measureMemoryPerEngine();
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("native call through VLJSContext, CPU time", "BM_VLJSContextFunction",
                        "BM_BareCallback", 1.5, kCallsPerLoop);
    reporter.printRatio("engine start-up with the core prelude and teardown, CPU time",
                        "BM_EngineStartUpWithCorePrelude", "BM_BareContextStartUpWithCorePrelude", 1.5);
    std::printf("memory per live engine, %d alive: %.0f KiB, floor %.0f KiB: %.2fx (goal <= 1.15x)\n",
                kLiveEngines, memory.engine / 1024, memory.bareContext / 1024,
                memory.engine / memory.bareContext);
    benchmark::Shutdown();
    return 0;
}
