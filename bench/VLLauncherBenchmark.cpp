// A launch from launchWithPayload to its completion for a package whose index.js is empty, against
// its floor: an engine's start-up with the core prelude to a first evaluated script, measured in the
// same run. Both count the CPU time of every thread of the process, and their wall time. The same launch
// with the Network module's prelude left out weighs that prelude: with it, a launch may take at most
// twice as long. Prints the medians against the goals at the end: a launch within 2x an engine's
// start-up, and within 2x the launch without the Network prelude. Run pinned:
// taskset -c 2 VLLauncherBenchmark.

#include "Core/Engine/CoreScope/VLCoreJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Launcher/VLLauncher.h"
#include "Core/Launcher/VLLocalPathLaunchPayload.h"
#include "Core/Launcher/VLManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLNetworkModule.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <unistd.h>

namespace {

// Waits for the engine's thread to end, outside the timing, so that one iteration's ending does not
// weigh on the next.
void letGo(std::shared_ptr<VLJSEngine> engine) {
    const std::shared_ptr<VLRunLoopThread> thread = engine->runLoop()->thread();
    engine.reset();
    thread->waitUntilFinished(std::chrono::seconds(30));
}

void BM_EngineStartUpWithCorePrelude(benchmark::State& state) {
    for (auto _ : state) {
        auto engine = VLJSEngine::create(std::make_shared<VLCoreJSBindingContext>());
        benchmark::DoNotOptimize(engine->evaluateScript("1 + 1", "start.js"));
        state.PauseTiming();
        letGo(std::move(engine));
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EngineStartUpWithCorePrelude)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void launchEmptyPackages(benchmark::State& state) {
    const std::filesystem::path package =
        std::filesystem::temp_directory_path() / ("velto-launch-benchmark-" + std::to_string(::getpid()));
    std::filesystem::create_directories(package);
    std::ofstream(package / "index.js").flush();
    auto manager = VLManager::create();
    auto launcher = VLLauncher::create(manager);

    for (auto _ : state) {
        std::mutex lock;
        std::condition_variable launched;
        std::shared_ptr<VLRuntime> runtime;
        launcher->launchWithPayload(VLLaunchPayload::launchPaylodWithLocalPath(package.string()),
                                    [&](const std::shared_ptr<VLRuntime>& made, const VLErrorRef& error) {
                                        if (error)
                                            std::abort();
                                        std::lock_guard guard(lock);
                                        runtime = made;
                                        launched.notify_one();
                                    });
        {
            std::unique_lock guard(lock);
            launched.wait(guard, [&] { return runtime != nullptr; });
        }
        state.PauseTiming();
        manager->terminateRuntime(runtime);
        std::shared_ptr<VLJSEngine> engine = runtime->engine();
        runtime.reset();
        letGo(std::move(engine));
        state.ResumeTiming();
    }
    std::filesystem::remove_all(package);
}

void BM_LaunchOfAnEmptyPackage(benchmark::State& state) {
    launchEmptyPackages(state);
}
BENCHMARK(BM_LaunchOfAnEmptyPackage)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_LaunchOfAnEmptyPackageWithoutTheNetworkPrelude(benchmark::State& state) {
    VLNetworkModule::setIncludesPolyfillScript(false);
    launchEmptyPackages(state);
    VLNetworkModule::setIncludesPolyfillScript(true);
}
BENCHMARK(BM_LaunchOfAnEmptyPackageWithoutTheNetworkPrelude)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    // The launches take turns, so that a machine whose load changes weighs on all of them alike.
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("launch of an empty package, CPU time", "BM_LaunchOfAnEmptyPackage",
                        "BM_EngineStartUpWithCorePrelude", 2);
    reporter.printRatio("launch of an empty package, wall time", "BM_LaunchOfAnEmptyPackage",
                        "BM_EngineStartUpWithCorePrelude", 2, 1, true);
    reporter.printRatio("launch with the Network prelude, CPU time", "BM_LaunchOfAnEmptyPackage",
                        "BM_LaunchOfAnEmptyPackageWithoutTheNetworkPrelude", 2);
    benchmark::Shutdown();
    return 0;
}
