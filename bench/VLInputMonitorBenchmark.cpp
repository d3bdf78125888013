// The input monitor's cost on the main thread.
//
// A burst of 10,000 pointer moves in one main-thread turn, as the window server routes them: with an
// "Input" binding observing the monitor against a bare global monitor that does nothing, in the same run.
// Goal: at most 1.5 times the floor, in the main thread's CPU time. The binding's JavaScript thread runs
// once per batch, not once per move: printed as handler calls (batches) per burst.
//
// Idle cost: a widget with all five handlers (mousemove, mousedown, mouseup, wheel, keyactivity) and no
// input, run by the velto tool. With key access granted the process should wake 0 times a second; without
// it, only the main thread's 2 s check of the access (0.5 a second). Printed as wake-ups per second per
// thread (voluntary context switches), measured over 6 s in each case.

#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/Input/VLInputMonitor.h"
#include "Tests/Support/VLTestWidget.h"
#include "bench/Support/VLBenchmarkReporter.h"
#include "bench/Support/VLBenchmarkWidgetRun.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr int kMovesPerBurst = 10'000;
// Per repetition: each burst of the observed run waits for the JavaScript thread afterwards.
constexpr int kBursts = 30;
constexpr uint64_t kMouseMask = 0xe4000fe;

void burst(VLWSDriver& driver) {
    for (int i = 0; i < kMovesPerBurst; ++i)
        driver.moveMouse({double(100 + i % 500), double(100 + i % 300)});
}

void BM_BareGlobalMonitorBurst(benchmark::State& state) {
    VLWindowServer::setShared(std::make_shared<VLWindowServer>());
    auto monitor = VLWSEvent::addGlobalMonitorForEventsMatchingMask(kMouseMask, [](const VLWSEvent&) {});
    for (auto _ : state)
        burst(VLWindowServer::shared()->driver());
    VLWSEvent::removeMonitor(monitor);
    VLWindowServer::setShared(nullptr);
}
BENCHMARK(BM_BareGlobalMonitorBurst)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kBursts)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

void BM_ObservingInputBindingBurst(benchmark::State& state) {
    VLWindowServer::setShared(std::make_shared<VLWindowServer>());
    VLInputMonitor::setShared(std::make_shared<VLInputMonitor>());
    VLTestWidget widget({{"index.js", "var calls = 0; Velto.input.onmousemove = () => { calls++; };"}},
                        [](VLLocalPathLaunchPayload& payload) { payload.setAllowsGlobalMouse(true); });
    widget.settle();
    int bursts = 0;
    for (auto _ : state) {
        burst(VLTestWidget::driver());
        state.PauseTiming();
        ++bursts;
        // What the burst handed over is delivered before the next one starts.
        widget.settle();
        state.ResumeTiming();
    }
    state.counters["handler calls per burst"] = std::stod(widget.evaluate("String(calls)")) / bursts;
    VLInputMonitor::setShared(nullptr);
    VLWindowServer::setShared(nullptr);
}
BENCHMARK(BM_ObservingInputBindingBurst)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kBursts)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

// Idle cost.

// The handlers alone leave nothing pending, so the timer keeps the run going; one timer 17 s ahead
// doesn't wake the process while it waits.
constexpr const char* kIdleScript = R"(
for (const type of ['mousemove', 'mousedown', 'mouseup', 'wheel', 'keyactivity'])
    Velto.input['on' + type] = () => {};
console.log('watching');
setTimeout(() => {}, 17000);
)";

void measureIdleCost(const char* access, const char* heading) {
    VLBenchmarkWidgetRun run(
        VELTO_TOOL,
        {{"index.js", kIdleScript}, {"steps.json", std::string(R"([{"keyAccess": ")") + access + R"("}])"}});
    if (!run.start({"--timeout", "20", "--payload", "allowsGlobalMouse=true", "--payload",
                    "allowsKeyActivity=true", "--drive", run.path("steps.json").string()}) ||
        !run.waitForLine("watching"))
        return;
    // The handlers reach the monitor on the main thread after the script has run, and start-up settles.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    run.printWakeUps(heading, std::chrono::seconds(6));
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("10,000 moves in one turn, main-thread CPU time", "BM_ObservingInputBindingBurst",
                        "BM_BareGlobalMonitorBurst", 1.5);
    if (std::optional<double> calls =
            reporter.counter("BM_ObservingInputBindingBurst", "handler calls per burst"))
        std::printf("(the JavaScript thread took the burst in %.0f batches, one hop each)\n", *calls);
    measureIdleCost("granted", "Idle, five handlers, key access granted (goal: 0)");
    measureIdleCost("denied",
                    "Idle, five handlers, key access denied (goal: the main thread 0.5, the 2 s check; "
                    "others 0)");
    benchmark::Shutdown();
    return 0;
}
