// The input monitor's cost on the main thread.
//
// A burst of 10,000 pointer moves in one main-thread turn, as the window server routes them: with an
// "Input" binding observing the monitor against a bare global monitor that does nothing, in the same run.
// Goal: at most 1.5 times the floor, in the main thread's CPU time. The binding's JavaScript thread runs
// once per batch, not once per move: printed as handler calls (batches) per burst.

#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/Input/VLInputMonitor.h"
#include "Tests/Support/VLTestWidget.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <string>

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
    benchmark::Shutdown();
    return 0;
}
