// A 64 MiB body from a loopback server through the Network binding's request(), to a script listener
// that counts its bytes in a runtime, against its floor: the same body through a VLHTTPSession alone,
// whose delegate counts the bytes. Both count the CPU time of every thread of the process (the server's
// included) and their wall time. Prints the medians against the goal at the end: a request within 1.5x
// the session alone, in CPU time. Run pinned: taskset -c 2 VLNetworkRequestBenchmark.

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Network/VLNetworkModule.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSession.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "bench/Support/VLBenchmarkNetworkRuntime.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace {

constexpr uint64_t kBodySize = 64u << 20;

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

// Counts the bytes of each task and tells of its end.
class CountingDelegate final : public VLHTTPSessionDelegate {
public:
    void willPerformRedirection(VLHTTPDataTask&, const VLHTTPResponse&, const VLURL&,
                                std::function<void(bool)> decide) override {
        decide(false);
    }
    bool didReceiveResponse(VLHTTPDataTask&, const VLHTTPResponse&) override { return true; }
    void didReceiveData(VLHTTPDataTask&, std::span<const uint8_t> data) override { _bytes += data.size(); }
    void didComplete(VLHTTPDataTask&, const VLErrorRef& error) override {
        std::lock_guard guard(_lock);
        _failed = _failed || error;
        _completed = true;
        _changed.notify_all();
    }

    // The bytes of the task that ends next, or 0 when it failed.
    uint64_t waitForCompletion() {
        std::unique_lock guard(_lock);
        _changed.wait(guard, [&] { return _completed; });
        const uint64_t bytes = _failed ? 0 : _bytes;
        _completed = _failed = false;
        _bytes = 0;
        return bytes;
    }

private:
    uint64_t _bytes = 0; // the session's thread's
    std::mutex _lock;    // guards the members below
    std::condition_variable _changed;
    bool _completed = false;
    bool _failed = false;
};

void BM_SessionAlone(benchmark::State& state) {
    auto delegate = std::make_shared<CountingDelegate>();
    auto session = VLHTTPSession::create("app.velto.benchmark", delegate);
    for (auto _ : state) {
        session->dataTaskWithRequest(VLHTTPRequest{VLURL(server().url("/body"))})->resume();
        if (delegate->waitForCompletion() != kBodySize) {
            state.SkipWithError("the transfer failed");
            break;
        }
    }
    session->invalidateAndCancel();
    state.SetBytesProcessed(int64_t(state.iterations() * kBodySize));
}
BENCHMARK(BM_SessionAlone)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_NetworkRequest(benchmark::State& state) {
    const VLBenchmarkNetworkRuntime runtime("velto-network-benchmark");
    VLJSEngine& engine = runtime.engine();
    engine.evaluateScript("globalThis.native = new VeltoRuntime.Network(); globalThis.received = 0; "
                          "globalThis.listener = {data(b) { received += b.byteLength; }, "
                          "complete(e) { if (e) received = -1; }};",
                          "benchmark.js");
    const std::string request =
        "received = 0; native.request({url: '" + server().url("/body") + "'}, listener)";
    for (auto _ : state) {
        engine.evaluateScript(request, "request.js");
        // The request holds the engine's pending work until its listener's complete.
        engine.waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::minutes(1));
        if (engine.evaluateScript("received", "received.js").doubleValue() != double(kBodySize)) {
            state.SkipWithError("the request failed");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations() * kBodySize));
}
BENCHMARK(BM_NetworkRequest)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The script holds the binding itself, which the Network prelude would have taken first.
    VLNetworkModule::setIncludesPolyfillScript(false);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("64 MiB through request(), CPU time", "BM_NetworkRequest", "BM_SessionAlone", 1.5);
    reporter.printRatio("64 MiB through request(), wall time", "BM_NetworkRequest", "BM_SessionAlone", 1.5, 1,
                        true);
    benchmark::Shutdown();
    return 0;
}
