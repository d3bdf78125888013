// 240 posts of a small object from one BroadcastChannel to another of the same runtime, each delivered
// to the other channel's handler, against its floor: the messaging script's own serialising and parsing
// of the same 240 objects, in the same runtime. Both count the CPU time of every thread of the process.
// Prints the medians against the goal at the end: the posts within 2x the cloning alone, in CPU time.
// The engine's clock is a manual one that moves a second between iterations, so that no post meets the
// rate limit. Run pinned: taskset -c 2 VLBroadcastBenchmark.

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Modules/Network/VLNetworkModule.h"
#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLManualClock.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

namespace {

constexpr int kPosts = 240;

// The Network prelude, with its internals as `broadcastInternal`.
std::string preludeShowingInternals() {
    static const std::string messaging = std::string(VLEmbeddedScript("Modules/messaging").value_or("")) +
                                         "\nglobal.broadcastInternal = internal;";
    VLRuntimeModuleScripts scripts([](std::string_view name) -> std::optional<std::string_view> {
        if (name == "messaging")
            return messaging;
        return VLEmbeddedScript("Modules/" + std::string(name));
    });
    return VLNetworkModule::polyfillScriptWithScripts(scripts);
}

constexpr const char* kSetUp = R"(
globalThis.message = { id: 7, kind: 'tick', values: [1, 2, 3], at: 1700000000000, ok: true, note: 'small' };
const sender = new BroadcastChannel('bench'), receiver = new BroadcastChannel('bench');
globalThis.heard = 0;
receiver.onmessage = event => { heard += event.data.values.length === 3; };
globalThis.postAll = () => {
    heard = 0;
    for (let i = 0; i < 240; ++i)
        sender.postMessage(message);
};
const { serialize, deserialize } = broadcastInternal.structuredClone();
globalThis.cloneAll = () => {
    heard = 0;
    for (let i = 0; i < 240; ++i) {
        const { tree, buffers } = serialize(message);
        heard += deserialize(tree, buffers).values.length === 3;
    }
};
)";

// One runtime with a messaging package, two channels and the cloning helpers, on a manual clock.
class BroadcastRuntime {
public:
    BroadcastRuntime() {
        VLNetworkModule::setIncludesPolyfillScript(false);
        _runtime = VLRuntime::create(std::make_shared<VLBundle>("/nonexistent/velto-broadcast-benchmark"));
        _runtime->setMessagingPackage("app.velto.benchmark.broadcast");
        _engine = _runtime->engine();
        // Evaluated after the runtime's own preludes, which have left the Network one out.
        _engine->evaluateScript(preludeShowingInternals(), "polyfill/Network.js");
        VLNetworkModule::setIncludesPolyfillScript(true);
        _engine->evaluateScript(kSetUp, "benchmark.js");
        VLClock::setShared(_clock);
    }
    ~BroadcastRuntime() {
        VLClock::setShared(nullptr);
        _runtime->terminate();
        const std::shared_ptr<VLRunLoopThread> thread = _engine->runLoop()->thread();
        _engine.reset();
        _runtime.reset();
        thread->waitUntilFinished(std::chrono::seconds(30));
    }

    // Runs the function, waits for what it queued, and answers how many messages arrived whole.
    double run(const char* function) {
        _clock->advance(1);
        _engine->evaluateScript(std::string(function) + "()", "run.js");
        _engine->waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::minutes(1));
        return _engine->evaluateScript("heard", "heard.js").doubleValue();
    }

private:
    std::shared_ptr<VLManualClock> _clock = std::make_shared<VLManualClock>(uint64_t(1000e9));
    std::shared_ptr<VLRuntime> _runtime;
    std::shared_ptr<VLJSEngine> _engine;
};

// One runtime for every repetition of both, warmed up once, as a widget that has posted a while.
BroadcastRuntime& sharedRuntime() {
    static BroadcastRuntime* runtime = [] {
        auto* made = new BroadcastRuntime();
        for (int round = 0; round < 200; ++round) {
            made->run("postAll");
            made->run("cloneAll");
        }
        return made;
    }();
    return *runtime;
}

void measure(benchmark::State& state, const char* function) {
    BroadcastRuntime& runtime = sharedRuntime();
    for (auto _ : state) {
        if (runtime.run(function) != kPosts) {
            state.SkipWithError("not every message arrived");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations() * kPosts));
}

void BM_BroadcastPosts(benchmark::State& state) {
    measure(state, "postAll");
}

void BM_ScriptCloning(benchmark::State& state) {
    measure(state, "cloneAll");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_ScriptCloning", BM_ScriptCloning, 50, benchmark::kMicrosecond);
    VLBenchmarkRegisterProcessCPU("BM_BroadcastPosts", BM_BroadcastPosts, 50, benchmark::kMicrosecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("240 BroadcastChannel posts delivered, CPU time", "BM_BroadcastPosts",
                        "BM_ScriptCloning", 2.0);
    benchmark::Shutdown();
    return 0;
}
