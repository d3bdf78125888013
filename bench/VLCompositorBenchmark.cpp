// Compositing a 1440 × 900 screen of 20 windows, each holding 20 layers of solid colour (every other one
// half transparent), through the window server's compositor, against pixman alone clearing the same
// target and filling and compositing the same rectangles in the same order, each cut to its window and
// the screen. Prints the medians of CPU
// time against that floor. Goal: within 2x. Run pinned: taskset -c 2 VLCompositorBenchmark.

#include "Platform/Graphics/VLCompositor.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int kWindows = 20;
constexpr int kLayers = 20;
constexpr uint32_t kWidth = 1440, kHeight = 900;

struct Box {
    VLRect frame; // global, y up
    VLColor color;
};

VLColor colorFor(int window, int layer) {
    return {double(window % 5) / 4, double(layer % 4) / 3, 0.5, layer % 2 ? 0.5 : 1.0};
}

// The window frames and, in each, its layers' frames in the window's coordinates.
VLRect windowFrame(int i) {
    return {40.0 + 60 * i, 30.0 + 35 * i, 420, 300};
}

VLRect layerFrame(int j) {
    return {10.0 + 18 * j, 8.0 + 12 * j, 120, 90};
}

std::vector<std::shared_ptr<VLWSWindow>> makeWindows() {
    std::vector<std::shared_ptr<VLWSWindow>> windows;
    for (int i = 0; i < kWindows; ++i) {
        auto window = std::make_shared<VLWSWindow>(windowFrame(i), VLWSWindowStyleMaskBorderless);
        window->setBackgroundColor(VLColor::grey(0.9));
        for (int j = 0; j < kLayers; ++j) {
            auto layer = std::make_shared<VLWSLayer>();
            layer->setFrame(layerFrame(j));
            layer->setBackgroundColor(colorFor(i, j));
            window->contentView()->layer()->addSublayer(layer);
        }
        window->orderFront();
        windows.push_back(window);
    }
    return windows;
}

// Cut to the screen, and to the window the layer is in: pixman fills what it is told to, inside the
// image or not, and refuses a box that the cut left empty or inverted.
pixman_box32_t pixels(VLRect global, pixman_box32_t within = {0, 0, int32_t(kWidth), int32_t(kHeight)}) {
    return {
        std::max(int32_t(global.minX()), within.x1), std::max(int32_t(kHeight - global.maxY()), within.y1),
        std::min(int32_t(global.maxX()), within.x2), std::min(int32_t(kHeight - global.minY()), within.y2)};
}

bool isEmpty(const pixman_box32_t& box) {
    return box.x2 <= box.x1 || box.y2 <= box.y1;
}

pixman_color_t premultiplied(VLColor c) {
    auto channel = [&](double v) { return uint16_t(v * c.alpha * 65535 + 0.5); };
    return {channel(c.red), channel(c.green), channel(c.blue), uint16_t(c.alpha * 65535 + 0.5)};
}

void BM_PixmanAlone(benchmark::State& state) {
    std::vector<uint32_t> target(kWidth * kHeight);
    pixman_image_t* image =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, target.data(), kWidth * 4);
    for (auto _ : state) {
        std::memset(target.data(), 0, target.size() * 4);
        for (int i = 0; i < kWindows; ++i) {
            const VLRect frame = windowFrame(i);
            const pixman_color_t background = premultiplied(VLColor::grey(0.9));
            const pixman_box32_t window = pixels(frame);
            if (isEmpty(window))
                continue;
            pixman_image_fill_boxes(PIXMAN_OP_SRC, image, &background, 1, &window);
            for (int j = 0; j < kLayers; ++j) {
                const VLColor color = colorFor(i, j);
                const pixman_color_t fill = premultiplied(color);
                const pixman_box32_t box =
                    pixels(layerFrame(j).offsetBy(frame.origin.x, frame.origin.y), window);
                if (!isEmpty(box))
                    pixman_image_fill_boxes(color.alpha < 1 ? PIXMAN_OP_OVER : PIXMAN_OP_SRC, image, &fill, 1,
                                            &box);
            }
        }
        benchmark::DoNotOptimize(target.data());
    }
    pixman_image_unref(image);
}
BENCHMARK(BM_PixmanAlone)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

void BM_VLCompositor(benchmark::State& state) {
    auto server = std::make_shared<VLWindowServer>();
    VLWindowServer::setShared(server);
    const auto windows = makeWindows();
    std::vector<uint32_t> target(kWidth * kHeight);
    const VLMutablePixels pixels{reinterpret_cast<uint8_t*>(target.data()), kWidth, kHeight, kWidth * 4,
                                 VLBitmapByteOrder::BGRA};
    for (auto _ : state) {
        if (!VLCompositor::compositeScreen(*server, VLWSScreen::defaultScreen(), pixels))
            state.SkipWithError("the compositor refused the target");
        benchmark::DoNotOptimize(target.data());
    }
    VLWindowServer::setShared(nullptr);
}
BENCHMARK(BM_VLCompositor)
    ->Repetitions(VLBenchmarkReporter::kRepetitions)
    ->ReportAggregatesOnly()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("screen of 20 windows of 20 layers", "BM_VLCompositor", "BM_PixmanAlone", 2);
    benchmark::Shutdown();
    return 0;
}
