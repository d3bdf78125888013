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

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

extern char** environ;

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

// Voluntary context switches per thread of a process: name and thread id → count.
std::map<std::pair<std::string, std::string>, long> wakeUps(pid_t pid) {
    std::map<std::pair<std::string, std::string>, long> counts;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.starts_with("voluntary_ctxt_switches:"))
                counts[{name, task.path().filename().string()}] = std::stol(line.substr(line.find(':') + 1));
        }
    }
    return counts;
}

void printWakeUps(const char* phase, pid_t pid, std::chrono::seconds span) {
    const auto before = wakeUps(pid);
    std::this_thread::sleep_for(span);
    const auto after = wakeUps(pid);
    std::printf("%s, wake-ups per second by thread:\n", phase);
    for (const auto& [thread, count] : after) {
        auto earlier = before.find(thread);
        const long woke = count - (earlier == before.end() ? 0 : earlier->second);
        std::printf("  %-16s %6s %5.2f\n", thread.first.c_str(), thread.second.c_str(),
                    double(woke) / double(span.count()));
    }
}

// Reads the child's output up to a line that holds the text.
bool waitForLine(FILE* output, const char* text) {
    char line[256];
    while (std::fgets(line, sizeof line, output)) {
        if (std::strstr(line, text))
            return true;
    }
    return false;
}

void measureIdleCost() {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("velto-idle-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "index.js") << kIdleScript;
    int pipe[2];
    if (::pipe(pipe) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipe[0]);
    std::string tool = VELTO_TOOL, run = "run", timeout = "--timeout", seconds = "20", payload = "--payload",
                setting = "allowsSystemInformation=true", package = folder.string();
    char* arguments[] = {tool.data(),    run.data(),     timeout.data(), seconds.data(),
                         payload.data(), setting.data(), package.data(), nullptr};
    pid_t child = 0;
    const bool spawned = posix_spawn(&child, tool.c_str(), &actions, nullptr, arguments, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    FILE* output = ::fdopen(pipe[0], "r");
    if (spawned && waitForLine(output, "observing")) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        printWakeUps(
            "Observing (goal: the system-status queue and the JavaScript thread once each, others 0)", child,
            std::chrono::seconds(5));
        if (waitForLine(output, "released")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
            printWakeUps("2.5 s after the handler went (goal: 0)", child, std::chrono::seconds(5));
        }
    }
    if (spawned) {
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
    }
    std::fclose(output);
    std::filesystem::remove_all(folder);
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
