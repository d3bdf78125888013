// Proving a 256 MiB package file against its digest, as a ranged reader's first read does, against
// sha256sum hashing the same file. Both read the file from the page cache. Prints the medians of the
// CPU time (sha256sum's measured on its process) and their ratio. Goal: no slower than sha256sum.

#include "Core/Runtime/VLCheckedFile.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr size_t kFileSize = 256u << 20;

struct Fixture {
    std::filesystem::path path;
    VLData digest;

    Fixture() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velto-bench-XXXXXX").string();
        path = std::filesystem::path(::mkdtemp(pattern.data())) / "big.bin";
        VLData chunk(1 << 20);
        VLSHA256 sha;
        std::ofstream file(path, std::ios::binary);
        uint32_t state = 2463534242u;
        for (size_t written = 0; written < kFileSize; written += chunk.size()) {
            for (uint8_t& byte : chunk) {
                state ^= state << 13, state ^= state >> 17, state ^= state << 5;
                byte = uint8_t(state);
            }
            file.write(reinterpret_cast<const char*>(chunk.data()), std::streamsize(chunk.size()));
            sha.update(chunk);
        }
        VLSHA256Digest sum = sha.finish();
        digest.assign(sum.begin(), sum.end());
    }
    ~Fixture() { std::filesystem::remove_all(path.parent_path()); }
};

Fixture& fixture() {
    static Fixture shared;
    return shared;
}

void BM_CheckedFileVerification(benchmark::State& state) {
    const Fixture& file = fixture();
    for (auto _ : state) {
        auto checked = VLCheckedFile::create(file.path, file.digest);
        auto data = checked->dataInRange(0, 1);
        if (!data)
            state.SkipWithError("the file did not verify");
        benchmark::DoNotOptimize(data);
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kFileSize));
}
BENCHMARK(BM_CheckedFileVerification)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(7);

double childrenCPUSeconds() {
    struct rusage usage;
    ::getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& time) { return double(time.tv_sec) + double(time.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The time reported is sha256sum's own CPU time.
void BM_Sha256sum(benchmark::State& state) {
    const Fixture& file = fixture();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "sha256sum";
    std::string argument = file.path.string();
    char* arguments[] = {program.data(), argument.data(), nullptr};
    for (auto _ : state) {
        const double before = childrenCPUSeconds();
        pid_t child = 0;
        int status = 0;
        if (posix_spawnp(&child, "sha256sum", &actions, nullptr, arguments, environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("sha256sum failed");
            break;
        }
        state.SetIterationTime(childrenCPUSeconds() - before);
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetBytesProcessed(int64_t(state.iterations() * kFileSize));
}
BENCHMARK(BM_Sha256sum)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(7);

// Keeps the median CPU time of each benchmark (sha256sum's manual time is its CPU time).
class MedianReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> milliseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median")
                continue;
            const bool manual = run.run_name.str().find("manual_time") != std::string::npos;
            milliseconds[run.run_name.function_name] =
                manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto& ms = reporter.milliseconds;
    if (ms.count("BM_CheckedFileVerification") && ms.count("BM_Sha256sum")) {
        const double ours = ms.at("BM_CheckedFileVerification");
        const double floor = ms.at("BM_Sha256sum");
        std::printf("256 MiB proved: %.1f ms CPU, sha256sum %.1f ms CPU: %.2fx (goal <= 1x)\n", ours, floor,
                    ours / floor);
    }
    benchmark::Shutdown();
    return 0;
}
