// A data: URI of a 1024 × 1024 PNG loaded through VLGLTextureLoader to a texture with a GL name (the
// hop to the loader's queue, its own context entered, the URI read and decoded, the upload, the hop
// back to the asking thread) against the same work by hand on one thread: the URI's bytes decoded with
// VLImageDecoder and uploaded with glTexImage2D. Prints the medians of the process's CPU time against
// that floor, their repetitions taking turns.
// Goal: within 1.15x, that is the loader adds no copy of the pixels and little beside the decoding.
// Run pinned: taskset -c 2 VLGLTextureLoaderBenchmark.

#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLTextureLoader.h"
#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLDataURI.h"
#include "Platform/Image/VLImageDecoder.h"
#include "Platform/Image/VLPNGWriter.h"
#include "bench/Support/VLBenchmarkInterleaving.h"
#include "bench/Support/VLBenchmarkRegistration.h"
#include "bench/Support/VLBenchmarkReporter.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

namespace {

constexpr uint32_t kSide = 1024;
constexpr int kLoads = 10;

// A picture that compresses as photographs do, not as a flat colour.
const std::string& pictureURI() {
    static const std::string uri = [] {
        std::vector<uint8_t> pixels(size_t(kSide) * kSide * 4);
        for (size_t index = 0; index < pixels.size(); ++index)
            pixels[index] = (index % 4 == 3) ? 255 : uint8_t((index * 7) ^ (index >> 11));
        std::optional<VLData> png = VLPNGWriter::dataWithPixels(
            {pixels.data(), kSide, kSide, size_t(kSide) * 4, VLBitmapByteOrder::RGBA});
        return "data:image/png;base64," + VLBase64Encode(*png);
    }();
    return uri;
}

void BM_DecodeAndUpload(benchmark::State& state) {
    for (auto _ : state) {
        std::optional<VLData> bytes =
            VLDataURI::dataWithContentsOfURI(pictureURI(), VLDataURI::Decoding::Strict);
        std::shared_ptr<VLBitmap> image = VLImageDecoder::decode(*bytes);
        GLuint texture = 0;
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(image->width()), GLsizei(image->height()), 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, image->bytes());
        glDeleteTextures(1, &texture);
        benchmark::DoNotOptimize(texture);
    }
    glFinish();
}

// The loader and the thread that asks it, as a runtime's JavaScript thread does.
struct LoaderBench {
    std::shared_ptr<VLRunLoop> thread = VLRunLoop::create(VLRunLoopThread::create("bench.loader"));
    std::shared_ptr<VLGLTextureLoader> loader;
};

// Made and freed by main.
LoaderBench* gLoaderBench = nullptr;

void BM_VLGLTextureLoader(benchmark::State& state) {
    LoaderBench& bench = *gLoaderBench;
    for (auto _ : state) {
        std::mutex lock;
        std::condition_variable loaded;
        std::shared_ptr<VLGLTexture> result;
        bool done = false;
        bench.thread->performBlock([&] {
            bench.loader->loadTextureFromPath(pictureURI(), [&](std::shared_ptr<VLGLTexture> texture) {
                std::lock_guard guard(lock);
                result = std::move(texture);
                done = true;
                loaded.notify_one();
            });
        });
        std::unique_lock guard(lock);
        loaded.wait(guard, [&] { return done; });
        if (!result || result->textureId() == 0)
            state.SkipWithError("no texture");
    }
}

} // namespace

int main(int argc, char** argv) {
    std::shared_ptr<VLEGLContext> context = VLEGLContext::create(2);
    if (!VLEGLContext::setCurrentContext(context)) {
        std::fprintf(stderr, "no GL context\n");
        return 1;
    }
    pictureURI();
    LoaderBench bench;
    bench.thread->performBlockSync([&] {
        bench.loader = VLGLTextureLoader::create(nullptr, std::make_shared<VLEGLSharegroup>(), nullptr);
    });
    gLoaderBench = &bench;
    VLBenchmarkInitializeInterleaved(argc, argv);
    VLBenchmarkRegisterProcessCPU("BM_DecodeAndUpload", BM_DecodeAndUpload, kLoads, benchmark::kMillisecond);
    VLBenchmarkRegisterProcessCPU("BM_VLGLTextureLoader", BM_VLGLTextureLoader, kLoads,
                                  benchmark::kMillisecond);
    VLBenchmarkReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("VLGLTextureLoader of a 1024 × 1024 data: URI", "BM_VLGLTextureLoader",
                        "BM_DecodeAndUpload", 1.15);
    benchmark::Shutdown();
    VLEGLContext::setCurrentContext(nullptr);
    return 0;
}
