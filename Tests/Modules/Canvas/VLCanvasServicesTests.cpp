#include "Modules/Canvas/VLCanvasServices.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLTextureLoader.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLTestSignal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <mutex>

namespace {

using testing::ElementsAre;
using testing::MatchesRegex;

using VLCanvasServicesTest = VLCanvasRuntimeTest;

TEST_F(VLCanvasServicesTest, EachServiceIsMadeOncePerRuntimeUntilItIsReset) {
    std::shared_ptr<VLEGLSharegroup> sharegroup;
    std::shared_ptr<VLGLTextureLoader> loader;
    onJSThread([&] {
        sharegroup = VLCanvasServices::glSharegroup(bindingContext());
        loader = VLCanvasServices::textureLoader(bindingContext());
        EXPECT_EQ(VLCanvasServices::glSharegroup(bindingContext()), sharegroup);
        EXPECT_EQ(VLCanvasServices::textureLoader(bindingContext()), loader);
        // The loader's context shares the runtime's objects.
        EXPECT_EQ(loader->glContext()->sharegroup(), sharegroup);
        EXPECT_EQ(loader->glContext()->api(), 2);
        EXPECT_EQ(loader->underlyingQueue()->label(), "app.velto.canvas.gles.texture-loader");

        VLCanvasServices::resetGLSharegroup(bindingContext());
        VLCanvasServices::resetTextureLoader(bindingContext());
        VLCanvasServices::resetFontCache(bindingContext());
        EXPECT_NE(VLCanvasServices::glSharegroup(bindingContext()), sharegroup);
        EXPECT_NE(VLCanvasServices::textureLoader(bindingContext()), loader);
    });
}

TEST(VLCanvasServices, TheyAreFreedWithTheRuntime) {
    std::weak_ptr<VLEGLSharegroup> sharegroup;
    std::weak_ptr<VLGLTextureLoader> loader;
    {
        VLTestRuntime runtime;
        runtime->engine()->runLoop()->performBlockSync([&] {
            std::shared_ptr<VLJSBindingContext> bindingContext =
                runtime->engine()->bindingContextForScope("VeltoRuntime");
            loader = VLCanvasServices::textureLoader(bindingContext);
            sharegroup = VLCanvasServices::glSharegroup(bindingContext);
        });
        EXPECT_FALSE(loader.expired());
    }
    EXPECT_TRUE(loader.expired());
    EXPECT_TRUE(sharegroup.expired());
}

TEST(VLCanvasServices, ABindingContextWithoutARuntimeGetsNone) {
    auto bindingContext = std::make_shared<VLJSBindingContext>();
    EXPECT_EQ(VLCanvasServices::runtime(bindingContext), nullptr);
    EXPECT_EQ(VLCanvasServices::renderingLoop(bindingContext), nullptr);
    EXPECT_EQ(VLCanvasServices::glSharegroup(bindingContext), nullptr);
    EXPECT_EQ(VLCanvasServices::textureLoader(bindingContext), nullptr);
    VLCanvasServices::resetGLSharegroup(bindingContext);
    EXPECT_EQ(VLCanvasServices::glSharegroup(nullptr), nullptr);
}

TEST_F(VLCanvasServicesTest, AWarningOnTheLoadersQueueReachesTheWidgetsConsoleOnItsThread) {
    std::mutex lock;
    std::vector<std::string> lines;
    runtime->engine()->setConsoleHandler([&](const std::string& level, const std::string& text) {
        std::lock_guard guard(lock);
        EXPECT_TRUE(runtime->engine()->runLoop()->isCurrent());
        lines.push_back(level + ": " + text);
    });
    std::shared_ptr<VLGLTextureLoader> loader;
    onJSThread([&] { loader = VLCanvasServices::textureLoader(bindingContext()); });
    loader->underlyingQueue()->sync([&] {
        EXPECT_TRUE(VLGLEnterContextWithBlockScope(
            loader->glContext(), [] { VLEGLContext::vllog_warn("texture %@ failed", "a.png"); }));
    });
    onJSThread([] {}); // behind the posted line
    std::lock_guard guard(lock);
    EXPECT_THAT(lines,
                ElementsAre(MatchesRegex("warn: \\[[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\\] "
                                         "texture a.png failed")));
}

} // namespace
