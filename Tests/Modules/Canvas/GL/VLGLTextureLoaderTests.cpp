#include "Modules/Canvas/GL/VLGLTextureLoader.h"

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLRunLoopThread.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/GL/VLGLTextureCache.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Image/VLPNGWriter.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLHTTPTestServer.h"
#include "Tests/Support/VLTestSignal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <vector>

namespace {

std::string loaderTestPNG(uint32_t width, uint32_t height) {
    std::vector<uint8_t> pixels(size_t(width) * height * 4, 255);
    std::optional<VLData> png = VLPNGWriter::dataWithPixels(
        {pixels.data(), width, height, size_t(width) * 4, VLBitmapByteOrder::RGBA});
    return png ? std::string(png->begin(), png->end()) : std::string();
}

std::string loaderTestDataURI(const std::string& bytes) {
    return "data:image/png;base64," +
           VLBase64Encode(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

class VLGLTextureLoaderTest : public VLCanvasRuntimeTest {
protected:
    void SetUp() override {
        VLCanvasRuntimeTest::SetUp();
        runtime.package().write("images/a.png", loaderTestPNG(4, 2));
        runtime.package().write("images/b.png", loaderTestPNG(2, 2));
        runtime->setPackageDigests(runtime.package().digests());
        runtime->setAllowsNetworkAccess(true);
        onJSThread([&] {
            loader = VLCanvasServices::textureLoader(bindingContext());
            // Textures load lazily in the thread's context, as a canvas's would be.
            glContext = VLEGLContext::create(2, VLCanvasServices::glSharegroup(bindingContext()));
        });
    }

    void TearDown() override {
        onJSThread([&] { VLEGLContext::setCurrentContext(nullptr); });
        VLCanvasRuntimeTest::TearDown();
    }

    // The load's result, asked for on the JavaScript thread; the completion must come there.
    std::shared_ptr<VLGLTexture> load(const std::string& path) {
        std::shared_ptr<VLGLTexture> result;
        VLTestSignal done;
        onJSThread([&] {
            loader->loadTextureFromPath(path, [&](std::shared_ptr<VLGLTexture> texture) {
                EXPECT_TRUE(runtime->engine()->runLoop()->isCurrent());
                result = std::move(texture);
                done.raise();
            });
        });
        EXPECT_TRUE(done.wait()) << path;
        onJSThread([] {}); // the cache is written before the completion; nothing is left behind
        return result;
    }

    VLHTTPTestServer server;
    std::shared_ptr<VLGLTextureLoader> loader;
    std::shared_ptr<VLEGLContext> glContext;
};

TEST_F(VLGLTextureLoaderTest, APackagePictureIsLazyAndCachedOnceLoaded) {
    std::shared_ptr<VLGLTexture> texture = load("images/a.png");
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(texture->lazyLoaded());
    EXPECT_EQ(texture->textureStorage(), nullptr); // no GPU work before its first use
    EXPECT_EQ(load("images/a.png"), texture);
    onJSThread([&] {
        EXPECT_EQ(loader->loadTextureFromLocalPath("images/a.png"), texture);
        VLEGLContext::setCurrentContext(glContext);
        EXPECT_NE(texture->textureId(), 0u);
        EXPECT_EQ(texture->width(), 4);
        EXPECT_EQ(texture->height(), 2);
    });
}

TEST_F(VLGLTextureLoaderTest, APackageFileThatFailsItsDigestShowsAtFirstUse) {
    runtime.package().write("images/a.png", loaderTestPNG(8, 8)); // the payload keeps the old digest
    std::shared_ptr<VLGLTexture> texture = load("images/a.png");
    ASSERT_NE(texture, nullptr);
    onJSThread([&] {
        VLEGLContext::setCurrentContext(glContext);
        EXPECT_EQ(texture->textureId(), 0u);
    });
}

TEST_F(VLGLTextureLoaderTest, FailuresGiveNothing) {
    // A picture that exists beside the package, out of the widget's reach.
    std::ofstream(runtime.package().path() + "/../outside.png", std::ios::binary) << loaderTestPNG(2, 2);
    const std::string tooLarge = loaderTestPNG(16385, 1);
    server.route("/text.png", VLHTTPTestServer::Response::text("no picture"));
    VLHTTPTestServer::Response huge;
    huge.generatedLength = VLGLTextureLoader::kMaximumDownloadLength + 1;
    server.route("/huge.png", huge);
    server.route("/large.png", VLHTTPTestServer::Response::text(tooLarge));
    const std::vector<std::string> paths = {
        "images/missing.png",        "../outside.png",
        "vlfile://nowhere/a.png",    "data:image/png;base64,bm8gcGljdHVyZQ==",
        loaderTestDataURI(tooLarge), server.url("/text.png"),
        server.url("/huge.png"),     server.url("/large.png"),
        server.url("/missing.png"),
    };
    for (const std::string& path : paths)
        EXPECT_EQ(load(path), nullptr) << path;
}

TEST_F(VLGLTextureLoaderTest, ARefusedURLOpensNoConnection) {
    runtime->setAllowsNetworkAccess(false);
    server.route("/pic.png", VLHTTPTestServer::Response::text(loaderTestPNG(2, 2)));
    EXPECT_EQ(load(server.url("/pic.png")), nullptr);
    onJSThread([&] { loader->setRemoteCheck(std::nullopt); });
    runtime->setAllowsNetworkAccess(true);
    EXPECT_EQ(load(server.url("/pic.png")), nullptr); // no check: no remote loads at all
    EXPECT_EQ(server.connectionCount(), 0);
}

TEST_F(VLGLTextureLoaderTest, ARemotePictureBecomesATextureOfItsSize) {
    server.route("/pic.png", VLHTTPTestServer::Response::text(loaderTestPNG(5, 3)));
    std::shared_ptr<VLGLTexture> texture = load(server.url("/pic.png"));
    ASSERT_NE(texture, nullptr);
    EXPECT_NE(texture->textureId(), 0u);
    EXPECT_EQ(texture->width(), 5);
    EXPECT_EQ(texture->height(), 3);
    EXPECT_EQ(load(server.url("/pic.png")), texture);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(VLGLTextureLoaderTest, ADataURIIsDecodedAtEveryLoad) {
    const std::string uri = loaderTestDataURI(loaderTestPNG(3, 3));
    std::shared_ptr<VLGLTexture> first = load(uri);
    std::shared_ptr<VLGLTexture> second = load(uri);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->textureId(), 0u);
    onJSThread([&] { EXPECT_TRUE(loader->cache()->textures().empty()); });
}

TEST_F(VLGLTextureLoaderTest, ACompletionForAThreadThatEndedIsNeverCalled) {
    auto hold = std::make_shared<VLTestSignal>();
    VLHTTPTestServer::Response held = VLHTTPTestServer::Response::text(loaderTestPNG(2, 2));
    held.hold = hold;
    server.route("/held.png", held);
    std::atomic<bool> called{false};
    std::shared_ptr<VLRunLoop> requester = VLRunLoop::create(VLRunLoopThread::create("requester"));
    std::shared_ptr<VLRunLoopThread> thread = requester->thread();
    requester->performBlockSync([&] {
        loader->loadTextureFromPath(server.url("/held.png"),
                                    [&](std::shared_ptr<VLGLTexture>) { called = true; });
    });
    requester.reset();
    ASSERT_TRUE(thread->waitUntilFinished(std::chrono::seconds(20)));
    hold->raise();
    loader->underlyingQueue()->sync([] {});
    EXPECT_FALSE(called);
}

TEST_F(VLGLTextureLoaderTest, GarbageCollectionReleasesOnlyStoragesUnboundForOverThreeSeconds) {
    auto clock = std::make_shared<VLManualClock>(uint64_t(100) * 1000000000);
    VLClock::setShared(clock);
    std::shared_ptr<VLGLTexture> old = load("images/a.png");
    std::shared_ptr<VLGLTexture> recent = load("images/b.png");
    ASSERT_TRUE(old && recent);
    onJSThread([&] {
        VLEGLContext::setCurrentContext(glContext);
        old->bindToTarget(GL_TEXTURE_2D);
        clock->advance(2.0);
        recent->bindToTarget(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        clock->advance(1.5);
    });
    VLNotificationCenter::defaultCenter().post(VLRuntimeNeedsGarbageCollectionNotification,
                                               runtime.get().get());
    onJSThread([&] {
        EXPECT_EQ(old->textureStorage(), nullptr);
        EXPECT_NE(recent->textureStorage(), nullptr);
    });
    VLClock::setShared(nullptr);
}

} // namespace
