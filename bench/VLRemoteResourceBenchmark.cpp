// Downloading a 256 MiB body from a loopback server through the remote session, against the curl tool
// fetching the same URL to /dev/null. Both are timed on the wall clock (the transfer runs on other
// threads, and curl in its own process). Prints the medians and the throughput ratio. Goal: at least
// 0.8 of curl's throughput.

#include "Core/Runtime/VLRemoteResource.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr uint64_t kBodySize = 256u << 20;

VLHTTPTestServer& server() {
    static VLHTTPTestServer* shared = [] {
        auto* made = new VLHTTPTestServer();
        VLHTTPTestServer::Response body;
        body.generatedLength = kBodySize;
        made->route("/body", body);
        return made;
    }();
    return *shared;
}

void BM_RemoteDownload(benchmark::State& state) {
    const VLURL url(server().url("/body"));
    for (auto _ : state) {
        VLErrorRef error;
        std::optional<VLData> data =
            VLRemoteResource::dataWithContentsOfURL(url, VLRemoteCheck(), kBodySize, &error);
        if (!data || data->size() != kBodySize) {
            state.SkipWithError("the download failed");
            break;
        }
        benchmark::DoNotOptimize(data->data());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kBodySize));
}
BENCHMARK(BM_RemoteDownload)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

void BM_Curl(benchmark::State& state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "curl", silent = "-sS", output = "-o", sink = "/dev/null",
                url = server().url("/body");
    char* arguments[] = {program.data(), silent.data(), output.data(), sink.data(), url.data(), nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (posix_spawnp(&child, "curl", &actions, nullptr, arguments, environ) != 0 ||
            ::waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    state.SetBytesProcessed(int64_t(state.iterations() * kBodySize));
}
BENCHMARK(BM_Curl)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->Repetitions(VLBenchmarkReporter::kRepetitions);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const std::optional<double> ours = reporter.median("BM_RemoteDownload", true);
    const std::optional<double> curl = reporter.median("BM_Curl", true);
    if (ours && curl) {
        const double mebibytes = double(kBodySize) / 1048576.0;
        std::printf(
            "256 MiB downloaded: %.0f MiB/s (%.1f ms), curl %.0f MiB/s (%.1f ms): %.2fx curl's throughput "
            "(goal >= 0.8x)\n",
            mebibytes / (*ours / 1e9), *ours / 1e6, mebibytes / (*curl / 1e9), *curl / 1e6, *curl / *ours);
    }
    benchmark::Shutdown();
    return 0;
}
