// The system-status monitor's cost.
//
// One reading of this machine (every reader, as the monitor takes it each second) against plain reads
// of the same files and folders in the same run: open, read to the end, close; open, list, close. The
// readers note what they read, so the floor reads exactly that. Goal: at most 1.5 times the floor.
//
// Idle cost: a widget with an onchange handler, run by the velto tool. While it observes, the monitor's
// queue and the JavaScript thread should wake once a second each and the monitor's other threads never;
// from 2 s after the handler is gone, nothing. Printed as wake-ups per second per thread (voluntary
// context switches), measured over 5 s in each phase.

#include "Supports/SystemStatus/VLSMCHwmonTransport.h"
#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Supports/SystemStatus/VLSystemStatusSampler.h"
#include "bench/Support/VLBenchmarkReporter.h"
#include "bench/Support/VLBenchmarkWidgetRun.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

void BM_SystemStatusReading(benchmark::State& state) {
    VLSystemStatusSampler sampler("/", std::make_shared<VLSMCHwmonTransport>("/"));
    sampler.smc().open();
    const VLSystemStatusPath path = VLSystemStatusNetworkReader(sampler.files()).path();
    double now = 1000;
    sampler.baseline(now);
    for (auto _ : state) {
        VLSystemStatusReading reading;
        sampler.fill(reading, now += 1, path);
        benchmark::DoNotOptimize(reading);
    }
}
BENCHMARK(BM_SystemStatusReading)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

// What one reading reads, as its readers note it.
std::vector<VLSystemStatusFileReader::Access> accessesOfOneReading() {
    VLSystemStatusSampler sampler("/", std::make_shared<VLSMCHwmonTransport>("/"));
    sampler.smc().open();
    sampler.baseline(1000);
    sampler.files().setNotesAccesses(true);
    VLSystemStatusReading reading;
    sampler.fill(reading, 1001, VLSystemStatusNetworkReader(sampler.files()).path());
    return sampler.files().accesses();
}

void BM_PlainReadsOfTheSameFiles(benchmark::State& state) {
    static const std::vector<VLSystemStatusFileReader::Access> accesses = accessesOfOneReading();
    char buffer[8192];
    for (auto _ : state) {
        for (const VLSystemStatusFileReader::Access& access : accesses) {
            if (access.isFolder) {
                if (DIR* folder = ::opendir(access.path.c_str())) {
                    while (dirent* entry = ::readdir(folder))
                        benchmark::DoNotOptimize(entry);
                    ::closedir(folder);
                }
                continue;
            }
            int fd = ::open(access.path.c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            while (::read(fd, buffer, sizeof buffer) > 0)
                benchmark::DoNotOptimize(buffer);
            ::close(fd);
        }
    }
    state.counters["files"] = double(accesses.size());
}
BENCHMARK(BM_PlainReadsOfTheSameFiles)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

// Idle cost.

constexpr const char* kIdleScript = R"(
console.log('observing');
Velto.systemStatus.onchange = () => {};
setTimeout(() => { Velto.systemStatus.offchange(); console.log('released'); }, 8000);
setTimeout(() => {}, 17000);
)";

void measureIdleCost() {
    VLBenchmarkWidgetRun run(VELTO_TOOL, {{"index.js", kIdleScript}});
    if (!run.start({"--timeout", "20", "--payload", "allowsSystemInformation=true"}) ||
        !run.waitForLine("observing"))
        return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    run.printWakeUps(
        "Observing (goal: the system-status queue and the JavaScript thread once each, others 0)",
        std::chrono::seconds(5));
    if (run.waitForLine("released")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        run.printWakeUps("2.5 s after the handler went (goal: 0)", std::chrono::seconds(5));
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("one reading of this machine, CPU time", "BM_SystemStatusReading",
                        "BM_PlainReadsOfTheSameFiles", 1.5);
    if (std::optional<double> files = reporter.counter("BM_PlainReadsOfTheSameFiles", "files"))
        std::printf("(the floor reads %.0f files and folders)\n", *files);
    measureIdleCost();
    benchmark::Shutdown();
    return 0;
}
