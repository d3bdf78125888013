// One frame of a window mirror stream: the tick that refreshes the copy of a window of 20 layers at
// 800 × 600 and renders it into a shared surface (its "frame" announcement included), against the
// compositor rendering the window's own layer tree into a bitmap of the same size. Prints the medians of
// CPU time against that floor. Goal: within 1.2x. Run pinned: taskset -c 2 VLWindowMirrorBenchmark.

#include "ContentHost/ContentHostConnection.h"
#include "ContentHost/WindowMirrorRenderer.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Graphics/VLCompositor.h"
#include "Platform/Graphics/VLSurface.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#include <vector>

namespace {

constexpr int kLayers = 20;
constexpr uint32_t kWidth = 800, kHeight = 600;

std::shared_ptr<VLWSWindow> makeWindow() {
    auto window =
        std::make_shared<VLWSWindow>(VLRect{100, 100, kWidth, kHeight}, VLWSWindowStyleMaskBorderless);
    for (int j = 0; j < kLayers; ++j) {
        auto layer = std::make_shared<VLWSLayer>();
        layer->setFrame({20.0 + 30 * j, 15.0 + 22 * j, 240, 180});
        layer->setBackgroundColor({double(j % 5) / 4, double(j % 4) / 3, 0.5, j % 2 ? 0.5 : 1.0});
        layer->setCornerRadius(j % 3 ? 0 : 12);
        window->contentView()->layer()->addSublayer(layer);
    }
    window->orderFront();
    return window;
}

// Reads and drops what is written to the other end of a socket pair until it closes.
class Sink {
public:
    explicit Sink(int type) {
        int pair[2];
        if (socketpair(AF_UNIX, type | SOCK_CLOEXEC, 0, pair) != 0)
            std::abort();
        _drained = pair[0];
        _written = pair[1];
        _reader = std::thread([drained = _drained] {
            std::vector<char> bytes(65536);
            while (::read(drained, bytes.data(), bytes.size()) > 0) {
            }
        });
    }
    ~Sink() {
        ::shutdown(_drained, SHUT_RDWR);
        _reader.join();
        ::close(_drained);
    }
    // The end that is written to; the caller closes it.
    int written() const { return _written; }

private:
    int _drained;
    int _written;
    std::thread _reader;
};

void drainMainQueue() {
    bool reached = false;
    VLMainQueue::async([&] { reached = true; });
    VLMainQueue::runUntil([&] { return reached; });
}

void BM_CompositorAlone(benchmark::State& state) {
    auto server = std::make_shared<VLWindowServer>();
    VLWindowServer::setShared(server);
    const auto window = makeWindow();
    std::vector<uint32_t> target(kWidth * kHeight);
    const VLMutablePixels pixels{reinterpret_cast<uint8_t*>(target.data()), kWidth, kHeight, kWidth * 4,
                                 VLBitmapByteOrder::BGRA};
    const VLWSLayer& layer = *window->contentView()->layer();
    for (auto _ : state) {
        if (!VLCompositor::renderLayer(layer, pixels, 1, {0, 0}))
            state.SkipWithError("the compositor refused the target");
        benchmark::DoNotOptimize(target.data());
    }
    VLWindowServer::setShared(nullptr);
}
BENCHMARK(BM_CompositorAlone)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

void BM_WindowMirrorTick(benchmark::State& state) {
    auto server = std::make_shared<VLWindowServer>();
    VLWindowServer::setShared(server);
    const auto window = makeWindow();
    Sink application(SOCK_STREAM);
    Sink surfaces(SOCK_SEQPACKET);
    const auto connection = ContentHostConnection::create(application.written());
    connection->start();
    auto renderer = WindowMirrorRenderer::create(
        1, window, connection, ContentHostAppPort(surfaces.written()), {kWidth, kHeight}, 30);
    renderer->end(); // ticked here, not by its timer
    renderer->tick();
    drainMainQueue();
    if (renderer->surfaces().size() != WindowMirrorRenderer::kSurfaceCount)
        state.SkipWithError("no surfaces");
    for (auto _ : state) {
        renderer->tick();
        drainMainQueue(); // the announcement, which lets the next tick render
    }
    renderer.reset();
    connection->close();
    ::close(surfaces.written());
    VLWindowServer::setShared(nullptr);
}
BENCHMARK(BM_WindowMirrorTick)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("mirror frame of 20 layers at 800 x 600", "BM_WindowMirrorTick", "BM_CompositorAlone",
                        1.2);
    benchmark::Shutdown();
    return 0;
}
