// The window list monitor's full read of 100 windows of other applications against copying the window
// server's on-screen list alone, in the same run (goal ≤ 2×), then the monitor queue's wake-ups per
// second over two seconds of real time each: with an active observer (10), an idle one (1) and none (0).

#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/WindowList/VLWindowListMonitor.h"
#include "Supports/WindowList/VLWindowListObserver.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

// Ten applications with ten windows each, some of them floating or translucent.
std::shared_ptr<VLWindowServer> busyMachine() {
    auto server = std::make_shared<VLWindowServer>();
    VLWSDriver& driver = server->driver();
    for (pid_t pid = 1000; pid < 1010; ++pid) {
        driver.launchApplication({pid, "com.example.app" + std::to_string(pid), "App"});
        for (int i = 0; i < 10; ++i)
            driver.addWindow({.ownerPID = pid,
                              .level = i == 0 ? VLWSFloatingWindowLevel : VLWSNormalWindowLevel,
                              .frame = {double(40 * i), double(30 * (pid - 1000)), 400, 300},
                              .alpha = i == 1 ? 0.8 : 1});
    }
    driver.activateApplication(1003);
    return server;
}

void BM_FullRead(benchmark::State& state) {
    std::shared_ptr<VLWindowListMonitor> monitor = VLWindowListMonitor::create();
    for (auto _ : state)
        benchmark::DoNotOptimize(monitor->windows());
}

void BM_CopyWindowList(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(
            VLWindowServer::shared()->snapshot()->windowList(VLWSWindowListOptionOnScreenOnly));
}

class VLBenchmarkWindowListObserver final : public VLWindowListObserver {
public:
    void windowListMonitorDidChange(VLWindowListMonitor&) override {}
    bool windowListObserverIsIdle() override { return idle; }
    bool windowListObserverIsStopped() override { return false; }
    std::atomic<bool> idle{false};
};

double wakeUpsPerSecond(VLWindowListMonitor& monitor) {
    constexpr double seconds = 2;
    const uint64_t before = monitor.tickCount();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    return double(monitor.tickCount() - before) / seconds;
}

void printWakeUps() {
    std::shared_ptr<VLWindowListMonitor> monitor = VLWindowListMonitor::create();
    auto observer = std::make_shared<VLBenchmarkWindowListObserver>();
    monitor->addObserver(observer);
    monitor->flush();
    std::printf("wake-ups with an active observer: %.1f a second (goal 10)\n", wakeUpsPerSecond(*monitor));
    observer->idle = true;
    // The next tick, a tenth of a second away, slows the timer down.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    std::printf("wake-ups with an idle observer: %.1f a second (goal 1)\n", wakeUpsPerSecond(*monitor));
    monitor->removeObserver(observer);
    monitor->flush();
    std::printf("wake-ups without observers: %.1f a second (goal 0)\n", wakeUpsPerSecond(*monitor));
}

} // namespace

int main(int argc, char** argv) {
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLWindowServer::setShared(busyMachine());
    VLBenchmarkReporter::registerRepeated("BM_FullRead", BM_FullRead);
    VLBenchmarkReporter::registerRepeated("BM_CopyWindowList", BM_CopyWindowList);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("a full read of 100 windows", "BM_FullRead", "BM_CopyWindowList", 2.0);
    printWakeUps();
    benchmark::Shutdown();
    return 0;
}
