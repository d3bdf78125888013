// One rendering tick, from the frame source's callback to the end of the tick on the JavaScript thread,
// with 1 and with 100 ports, against its floor: a bare block posted to the JavaScript thread from the
// same place, both waited for by a second block posted behind them (goal: 1 port within 2x). CPU time
// of the whole process, since the work is on two threads.
// Then the wake-ups per second of the JavaScript thread and the display-link thread for a widget
// animating at 60 Hz (goal about 60) and for one that has gone idle (goal 0), over real seconds.
// Run pinned: taskset -c 2 VLRenderingLoopBenchmark.

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLFrameSourceFactory.h"
#include "Core/Runtime/Rendering/VLFrameSourceRunLoop.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <semaphore>
#include <thread>

namespace {

// Captures the handler its loop gives it and fires it on the calling thread; always running.
class BenchFrameSource final : public VLFrameSource {
public:
    using VLFrameSource::VLFrameSource;
    bool isRunning() const override { return true; }
    bool start() override { return true; }
    void fire() { handler()(shared_from_this(), true); }
};

class BenchFrameSourceFactory final : public VLFrameSourceFactory {
public:
    std::shared_ptr<VLFrameSource> makeFrameSource(uint32_t, VLFrameSource::Handler handler) override {
        source = std::make_shared<BenchFrameSource>(std::move(handler));
        return source;
    }
    std::shared_ptr<BenchFrameSource> source;
};

class CountingPort final : public VLRenderingPort {
public:
    void handleRenderingTick() override { benchmark::DoNotOptimize(++ticks); }
    uint64_t ticks = 0;
};

std::shared_ptr<VLRunLoop> makeJavaScriptRunLoop() {
    return VLRunLoop::create(VLRunLoopThread::create("app.velto.jsengine"));
}

// Waits until everything posted to the run loop so far has run.
void waitForRunLoop(VLRunLoop& runLoop, std::binary_semaphore& done) {
    runLoop.performBlock([&done] { done.release(); });
    done.acquire();
}

void runTicks(benchmark::State& state, int portCount) {
    auto factory = std::make_shared<BenchFrameSourceFactory>();
    VLFrameSourceFactory::setShared(factory);
    std::shared_ptr<VLRunLoop> runLoop = makeJavaScriptRunLoop();
    std::shared_ptr<VLRenderingLoop> loop = VLRenderingLoop::create(runLoop);
    for (int index = 0; index < portCount; ++index)
        loop->addPort(std::make_shared<CountingPort>());
    std::binary_semaphore done(0);
    waitForRunLoop(*runLoop, done);
    for (auto _ : state) {
        factory->source->fire();
        waitForRunLoop(*runLoop, done); // behind the tick
    }
    loop->stop();
    VLFrameSourceFactory::setShared(nullptr);
}

// What a tick stands on: a bare block posted to the JavaScript thread from where the source calls back,
// waited for the same way.
void BM_PerformBlockRoundTrip(benchmark::State& state) {
    std::shared_ptr<VLRunLoop> runLoop = makeJavaScriptRunLoop();
    std::binary_semaphore done(0);
    for (auto _ : state) {
        runLoop->performBlock([] {});
        waitForRunLoop(*runLoop, done);
    }
}

void BM_TickOnePort(benchmark::State& state) {
    runTicks(state, 1);
}

void BM_TickHundredPorts(benchmark::State& state) {
    runTicks(state, 100);
}

BENCHMARK(BM_PerformBlockRoundTrip)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TickOnePort)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TickHundredPorts)
    ->MeasureProcessCPUTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

struct WakeUps {
    double javaScript;
    double displayLink;
};

// Wake-ups per second of the runtime's JavaScript thread and of the display-link thread over a second.
WakeUps measureWakeUps(VLRuntime& runtime) {
    VLRunLoopThread& javaScript = *runtime.engine()->runLoop()->thread();
    VLRunLoopThread& displayLink = *VLFrameSourceRunLoop::shared().runLoop()->thread();
    const uint64_t javaScriptBefore = javaScript.wakeUpCount();
    const uint64_t displayLinkBefore = displayLink.wakeUpCount();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {static_cast<double>(javaScript.wakeUpCount() - javaScriptBefore) / seconds,
            static_cast<double>(displayLink.wakeUpCount() - displayLinkBefore) / seconds};
}

void printWakeUps() {
    const std::filesystem::path package = std::filesystem::temp_directory_path() / "velto-bench-widget";
    std::filesystem::create_directories(package);
    std::shared_ptr<VLRuntime> runtime = VLRuntime::create(std::make_shared<VLBundle>(package.string()));
    const std::shared_ptr<VLJSEngine>& engine = runtime->engine();
    engine->evaluateScript(
        "var animating = true; function frame() { if (animating) requestAnimationFrame(frame); }"
        "frame();",
        "bench.js");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const WakeUps animating = measureWakeUps(*runtime);
    engine->evaluateScript("animating = false", "bench.js");
    engine->waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::seconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const WakeUps idle = measureWakeUps(*runtime);
    std::printf("wake-ups per second, animating at 60 Hz: JavaScript thread %.1f, display-link thread %.1f "
                "(goal about 60)\n",
                animating.javaScript, animating.displayLink);
    std::printf("wake-ups per second, gone idle: JavaScript thread %.1f, display-link thread %.1f (goal 0)\n",
                idle.javaScript, idle.displayLink);
    runtime->terminate();
    runtime.reset();
    std::filesystem::remove_all(package);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("one tick, 1 port", "BM_TickOnePort", "BM_PerformBlockRoundTrip", 2.0);
    reporter.printRatio("one tick, 100 ports", "BM_TickHundredPorts", "BM_PerformBlockRoundTrip", 2.0);
    printWakeUps();
    benchmark::Shutdown();
    return 0;
}
