// 10,000 text messages of 64 bytes sent by a widget script's WebSocket to an in-process echo server on
// loopback, until every echo has arrived and the socket has closed, against its floor: a bare Beast
// client doing the same against the same server, with an async write queue and a read loop. Both
// connect, echo and close in each iteration, and count the CPU time of every thread of the process
// (the server's included). Prints the medians against the goal at the end: the script within 2x the
// bare client, in CPU time. Run pinned: taskset -c 2 VLWebSocketBenchmark.

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLBundle.h"
#include "Core/Runtime/VLRuntime.h"
#include "Tests/Support/VLWebSocketTestServer.h"
#include "bench/Support/VLBenchmarkNetworkRuntime.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;

constexpr int kEchoCount = 10000;
constexpr size_t kEchoSize = 64;

VLWebSocketTestServer& echoServer() {
    static VLWebSocketTestServer* shared = new VLWebSocketTestServer();
    return *shared;
}

// One connection that writes its messages one after another as each write completes, reads until
// every echo is in, then closes. Runs on the thread that runs its io_context.
class EchoClient {
public:
    explicit EchoClient(asio::io_context& context) : _ws(context) {}

    // The echoes that arrived before the connection closed.
    int run(asio::io_context& context) {
        const asio::ip::tcp::endpoint server(asio::ip::make_address("127.0.0.1"), echoServer().port());
        beast::error_code ec;
        beast::get_lowest_layer(_ws).connect(server, ec);
        if (!ec)
            _ws.handshake("127.0.0.1:" + std::to_string(server.port()), "/", ec);
        if (ec)
            return 0;
        _ws.text(true);
        write();
        read();
        context.run();
        return _echoes;
    }

private:
    void write() {
        _ws.async_write(asio::buffer(_message), [this](const beast::error_code& ec, size_t) {
            if (!ec && ++_written < kEchoCount)
                write();
        });
    }
    void read() {
        _ws.async_read(_buffer, [this](const beast::error_code& ec, size_t) {
            if (ec)
                return;
            _buffer.clear();
            if (++_echoes < kEchoCount)
                read();
            else
                _ws.async_close(websocket::close_code::normal, [](const beast::error_code&) {});
        });
    }

    websocket::stream<beast::tcp_stream> _ws;
    const std::string _message = std::string(kEchoSize, 'x');
    beast::flat_buffer _buffer;
    int _written = 0;
    int _echoes = 0;
};

void BM_BeastClientEchoes(benchmark::State& state) {
    for (auto _ : state) {
        asio::io_context context(1);
        EchoClient client(context);
        if (client.run(context) != kEchoCount) {
            state.SkipWithError("the echoes did not all arrive");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kEchoCount);
}
BENCHMARK(BM_BeastClientEchoes)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly(true);

void BM_WebSocketScriptEchoes(benchmark::State& state) {
    const VLBenchmarkNetworkRuntime runtime("velto-websocket-benchmark");
    VLJSEngine& engine = runtime.engine();
    // The prelude's class and the widget's function are made outside the measured loop, as a widget
    // loads its script once.
    engine.evaluateScript(
        "globalThis.echoes = 0; globalThis.echo = url => { echoes = 0; const socket = new WebSocket(url); "
        "const text = 'x'.repeat(" +
            std::to_string(kEchoSize) + "); socket.onopen = () => { for (let i = 0; i < " +
            std::to_string(kEchoCount) +
            "; ++i) socket.send(text); }; socket.onmessage = () => { if (++echoes === " +
            std::to_string(kEchoCount) + ") socket.close(); }; socket.onerror = () => { echoes = -1; }; };",
        "benchmark.js");
    const std::string echo = "echo('" + echoServer().url("/") + "')";
    for (auto _ : state) {
        engine.evaluateScript(echo, "echo.js");
        // The open socket holds the engine's pending work until it has closed.
        engine.waitUntilIdle(std::chrono::steady_clock::now() + std::chrono::minutes(1));
        if (engine.evaluateScript("echoes", "echoes.js").doubleValue() != double(kEchoCount)) {
            state.SkipWithError("the echoes did not all arrive");
            break;
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kEchoCount);
}
BENCHMARK(BM_WebSocketScriptEchoes)
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
    reporter.printRatio("10,000 echoes of 64 bytes through a script's WebSocket, CPU time",
                        "BM_WebSocketScriptEchoes", "BM_BeastClientEchoes", 2.0);
    benchmark::Shutdown();
    return 0;
}
