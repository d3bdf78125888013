// A 64 MiB body from a loopback server read whole by a widget's script, `await (await
// fetch(url)).arrayBuffer()`, in a runtime with the Network prelude, against its floor: the same body
// through a VLHTTPSession alone, whose delegate appends it to one buffer. Both count the CPU time of
// every thread of the process (the server's included). Prints the medians against the goal at the end:
// fetch within 2x the session alone, in CPU time. Run pinned: taskset -c 2 VLFetchBenchmark.

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSession.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "bench/Support/VLBenchmarkNetworkRuntime.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint64_t kFetchBodySize = 64u << 20;

VLHTTPTestServer& fetchServer() {
    static VLHTTPTestServer* shared = [] {
        auto* made = new VLHTTPTestServer();
        VLHTTPTestServer::Response body;
        body.generatedLength = kFetchBodySize;
        made->route("/body", body);
        return made;
    }();
    return *shared;
}

// Appends each task's body to one buffer, as a reader of the whole body does, and tells of its end.
class AppendingDelegate final : public VLHTTPSessionDelegate {
public:
    void willPerformRedirection(VLHTTPDataTask&, const VLHTTPResponse&, const VLURL&,
                                std::function<void(bool)> decide) override {
        decide(false);
    }
    bool didReceiveResponse(VLHTTPDataTask&, const VLHTTPResponse&) override { return true; }
    void didReceiveData(VLHTTPDataTask&, std::span<const uint8_t> data) override {
        _body.insert(_body.end(), data.begin(), data.end());
    }
    void didComplete(VLHTTPDataTask&, const VLErrorRef& error) override {
        std::lock_guard guard(_lock);
        _size = error ? 0 : _body.size();
        _body = {};
        _completed = true;
        _changed.notify_all();
    }

    // The size of the body of the task that ends next, or 0 when it failed.
    uint64_t waitForCompletion() {
        std::unique_lock guard(_lock);
        _changed.wait(guard, [&] { return _completed; });
        _completed = false;
        return _size;
    }

private:
    std::vector<uint8_t> _body; // the session's thread's
    std::mutex _lock;           // guards the members below
    std::condition_variable _changed;
    bool _completed = false;
    uint64_t _size = 0;
};

void BM_SessionAppending(benchmark::State& state) {
    auto delegate = std::make_shared<AppendingDelegate>();
    auto session = VLHTTPSession::create("app.velto.benchmark", delegate);
    for (auto _ : state) {
        session->dataTaskWithRequest(VLHTTPRequest{VLURL(fetchServer().url("/body"))})->resume();
        if (delegate->waitForCompletion() != kFetchBodySize) {
            state.SkipWithError("the transfer failed");
            break;
        }
    }
    session->invalidateAndCancel();
    state.SetBytesProcessed(int64_t(state.iterations() * kFetchBodySize));
}
BENCHMARK(BM_SessionAppending)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_FetchArrayBuffer(benchmark::State& state) {
    const VLBenchmarkNetworkRuntime runtime("velto-fetch-benchmark");
    VLJSEngine& engine = runtime.engine();
    // The prelude's classes are made outside the measured loop, as a widget's first fetch makes them.
    engine.evaluateScript("globalThis.received = 0; void fetch;", "benchmark.js");
    const std::string read = "received = 0; (async () => { received = (await (await fetch('" +
                             fetchServer().url("/body") +
                             "')).arrayBuffer()).byteLength; })().catch(() => { received = -1; })";
    for (auto _ : state) {
        engine.evaluateScript(read, "fetch.js");
        // The request holds the engine's pending work until its end; the promise's last turns follow.
        engine.waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::minutes(1));
        if (engine.evaluateScript("received", "received.js").doubleValue() != double(kFetchBodySize)) {
            state.SkipWithError("the fetch failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kFetchBodySize));
}
BENCHMARK(BM_FetchArrayBuffer)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("64 MiB through fetch().arrayBuffer(), CPU time", "BM_FetchArrayBuffer",
                        "BM_SessionAppending", 2.0);
    benchmark::Shutdown();
    return 0;
}
