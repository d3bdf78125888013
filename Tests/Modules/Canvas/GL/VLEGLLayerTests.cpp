#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Modules/Canvas/GL/VLEGLLayer.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Graphics/VLSurface.h"
#include "Tests/Support/VLLogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

class VLEGLLayerTest : public testing::Test {
protected:
    // Chooses a surface, fills it with the byte and presents it; answers it.
    std::shared_ptr<VLSurface> present(uint32_t width = 4, uint32_t height = 4, uint8_t fill = 0x80) {
        std::shared_ptr<VLSurface> surface = layer->nextSurfaceWithWidth(width, height);
        EXPECT_TRUE(surface);
        if (!surface)
            return nullptr;
        std::memset(surface->baseAddress(), fill, surface->allocationSize());
        layer->surfaceDidDraw();
        layer->presentSurface();
        return surface;
    }

    static void drainMainQueue() {
        bool reached = false;
        VLMainQueue::async([&] { reached = true; });
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return reached; }));
    }

    std::shared_ptr<VLEGLLayer> layer = std::make_shared<VLEGLLayer>();
};

TEST_F(VLEGLLayerTest, FourPresentsWithEveryShownSurfaceHeldUseThreeBuffersAndWaitForTheOldestReader) {
    std::vector<std::shared_ptr<VLSurface>> shown;
    for (int i = 0; i < 3; ++i) {
        shown.push_back(present());
        ASSERT_EQ(layer->contents(), shown.back());
        shown.back()->retainUse(); // the compositor keeps reading it
    }
    EXPECT_NE(shown[0], shown[1]);
    EXPECT_NE(shown[1], shown[2]);
    EXPECT_NE(shown[0], shown[2]);

    // Every buffer but the shown one is read: the oldest is waited for, never written under its reader.
    std::vector<const VLSurface*> waitedFor;
    std::thread reader;
    layer->setWillWaitForReaderHandlerForTesting([&](const VLSurface& surface) {
        waitedFor.push_back(&surface);
        reader = std::thread([oldest = shown[0]] { oldest->releaseUse(); });
    });
    const std::shared_ptr<VLSurface> fourth = layer->nextSurfaceWithWidth(4, 4);
    reader.join();
    EXPECT_EQ(fourth, shown[0]);
    EXPECT_EQ(waitedFor, std::vector<const VLSurface*>{shown[0].get()});
    EXPECT_FALSE(fourth->isInUse());
    EXPECT_EQ(layer->surfaceMemorySize(), 3 * shown[0]->allocationSize());
    shown[1]->releaseUse();
    shown[2]->releaseUse();
}

TEST_F(VLEGLLayerTest, AFreeBufferIsReusedBeforeANewOneIsMade) {
    const std::shared_ptr<VLSurface> first = present();
    const std::shared_ptr<VLSurface> second = present();
    // The first is no longer shown and nobody reads it.
    EXPECT_EQ(present(), first);
    EXPECT_EQ(present(), second);
    EXPECT_EQ(layer->surfaceMemorySize(), 2 * first->allocationSize());
}

TEST_F(VLEGLLayerTest, AnOpacityOrSizeChangeRebuildsThePool) {
    struct Change {
        const char* name;
        bool opaque;
        uint32_t width;
        uint32_t height;
    };
    for (const Change& change :
         {Change{"opacity", true, 4, 4}, Change{"width", false, 5, 4}, Change{"height", false, 4, 5}}) {
        SCOPED_TRACE(change.name);
        layer = std::make_shared<VLEGLLayer>();
        const std::shared_ptr<VLSurface> first = present();
        const std::shared_ptr<VLSurface> second = present();
        layer->setOpaque(change.opaque);
        const std::shared_ptr<VLSurface> rebuilt = present(change.width, change.height);
        EXPECT_NE(rebuilt, first);
        EXPECT_NE(rebuilt, second);
        EXPECT_EQ(layer->surfacesAreOpaque(), change.opaque);
        EXPECT_EQ(layer->surfaceMemorySize(), rebuilt->allocationSize());
    }
}

TEST_F(VLEGLLayerTest, OnlyAChosenAndDrawnBufferIsPresented) {
    layer->presentSurface();
    EXPECT_FALSE(layer->contents());

    const std::shared_ptr<VLSurface> shown = present();
    layer->presentSurface(); // nothing chosen since
    EXPECT_EQ(layer->contents(), shown);

    ASSERT_TRUE(layer->nextSurfaceWithWidth(4, 4));
    layer->presentSurface(); // chosen, never drawn
    EXPECT_EQ(layer->contents(), shown);
}

TEST_F(VLEGLLayerTest, MirrorsShowTheCurrentSurfaceAtOnceAndEveryLaterOne) {
    const std::shared_ptr<VLSurface> first = present();
    auto mirror = std::make_shared<VLWSLayer>();
    EXPECT_FALSE(mirror->vl_isCanvasLayer());
    EXPECT_TRUE(layer->vl_isCanvasLayer());
    layer->vl_addCanvasMirror(mirror);
    EXPECT_EQ(mirror->contents(), first);

    const std::shared_ptr<VLSurface> second = present();
    EXPECT_EQ(mirror->contents(), second);

    // A plain layer takes no mirror: what it is given shows nothing of it.
    auto plain = std::make_shared<VLWSLayer>();
    plain->setContents(first);
    auto unused = std::make_shared<VLWSLayer>();
    plain->vl_addCanvasMirror(unused);
    EXPECT_FALSE(unused->contents());
    // A mirror that is gone is dropped without harm.
    mirror.reset();
    EXPECT_NE(present(), nullptr);
}

TEST_F(VLEGLLayerTest, WithScreenUpdatesHeldContentsChangeAtTheFlushWithTheViewChanges) {
    drainMainQueue();
    const std::shared_ptr<VLSurface> before = present();
    auto mirror = std::make_shared<VLWSLayer>();
    layer->addMirror(mirror);
    auto view = std::make_shared<VLWSLayer>();

    VLScreenUpdateBeginLayout();
    VLScreenUpdatePerform([&] { view->setOpacity(0.5f); });
    VLScreenUpdateHoldUntilPresent();
    VLScreenUpdateEndLayout();
    ASSERT_TRUE(VLScreenUpdateIsHeld());
    const std::shared_ptr<VLSurface> after = present();
    drainMainQueue();
    EXPECT_EQ(layer->contents(), before);
    EXPECT_EQ(mirror->contents(), before);
    EXPECT_EQ(view->opacity(), 1.0f);

    VLScreenUpdateFlush();
    drainMainQueue();
    EXPECT_EQ(layer->contents(), after);
    EXPECT_EQ(mirror->contents(), after);
    EXPECT_EQ(view->opacity(), 0.5f);
}

TEST_F(VLEGLLayerTest, DestroyingThePoolKeepsTheShownSurfaceOnScreen) {
    const std::shared_ptr<VLSurface> shown = present();
    layer->destroySurfaces();
    EXPECT_EQ(layer->surfaceMemorySize(), 0u);
    EXPECT_EQ(layer->contents(), shown);
    EXPECT_NE(present(), shown);
}

TEST_F(VLEGLLayerTest, ASurfaceThatCannotBeMadeGivesNoneAndIsLogged) {
    VLLogCapture log(VLLogFlagError);
    EXPECT_FALSE(layer->nextSurfaceWithWidth(VLSurface::MaximumSide + 1, 1));
    EXPECT_EQ(layer->surfaceMemorySize(), 0u);
    VLLogFlush();
    EXPECT_THAT(
        log.lines(),
        testing::ElementsAre(testing::StartsWith(
            "app.velto.engine/VLEGLLayer error: Canvas couldn't draw into an IOSurface (EGL error 0x3003)")));
}

} // namespace
