#include "Modules/Canvas/VLCanvasRenderingContext.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLDrawable.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Modules/Canvas/GL/VLGLTexture.h"
#include "Modules/Canvas/VLCanvasServices.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Tests/Support/VLCanvasRuntimeTest.h"
#include "Tests/Support/VLLogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using testing::ElementsAre;
using testing::StartsWith;

// Records each prepare, and whether its own EGL context was current for it.
class CountingRenderingContext final : public VLCanvasRenderingContext {
public:
    CountingRenderingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                             std::shared_ptr<VLEGLContext> glContext, std::string name,
                             std::vector<std::string>* journal)
        : VLCanvasRenderingContext(bindingContext, 16, 16), _name(std::move(name)), _journal(journal) {
        setGLContext(std::move(glContext));
    }

    void prepare() override {
        _journal->push_back(_name + (VLEGLContext::currentContext() == glContext() ? "" : " elsewhere"));
    }

private:
    std::string _name;
    std::vector<std::string>* _journal;
};

class FixedDrawable final : public VLEGLDrawable {
public:
    explicit FixedDrawable(uint64_t bytes) : _bytes(bytes) {}
    std::shared_ptr<VLSurface> nextSurfaceWithWidth(uint32_t, uint32_t) override { return nullptr; }
    bool surfacesAreOpaque() const override { return false; }
    void surfaceDidDraw() override {}
    void presentSurface() override {}
    uint64_t surfaceMemorySize() const override { return _bytes; }
    void destroySurfaces() override { _bytes = 0; }

private:
    uint64_t _bytes;
};

class VLCanvasRenderingContextTest : public VLCanvasRuntimeTest {
protected:
    std::shared_ptr<CountingRenderingContext> make(std::string name,
                                                   std::shared_ptr<VLEGLSharegroup> sharegroup = nullptr) {
        if (!sharegroup)
            sharegroup = VLCanvasServices::glSharegroup(bindingContext());
        return std::make_shared<CountingRenderingContext>(
            bindingContext(), VLEGLContext::create(2, sharegroup), std::move(name), &journal);
    }

    std::vector<std::string> journal;
};

TEST_F(VLCanvasRenderingContextTest, EachSwitchPreparesThePreviousContextInItsOwnFirst) {
    onJSThread([&] {
        auto a = make("a");
        auto b = make("b");
        a->makeContextCurrent();
        a->makeContextCurrent(); // already current: not prepared again
        b->makeContextCurrent();
        // A binding of its own made another EGL context current meanwhile.
        std::shared_ptr<VLEGLContext> other = VLEGLContext::create(2);
        VLEGLContext::setCurrentContext(other);
        EXPECT_EQ(VLCanvasRenderingContextGetCurrent(), nullptr);
        a->makeContextCurrent();
        EXPECT_EQ(VLCanvasRenderingContextGetCurrent(), a);
        EXPECT_EQ(VLEGLContext::currentContext(), a->glContext());
        VLEGLContext::setCurrentContext(nullptr);
    });
    EXPECT_THAT(journal, ElementsAre("a", "a", "b", "b", "a"));
}

TEST_F(VLCanvasRenderingContextTest, TheRuntimesEndLeavesItsThreadWithoutAContextOrRecord) {
    std::shared_ptr<CountingRenderingContext> context;
    onJSThread([&] {
        context = make("a");
        context->makeContextCurrent();
    });
    runtime->terminate();
    onJSThread([&] {
        EXPECT_EQ(VLEGLContext::currentContext(), nullptr);
        EXPECT_EQ(VLCanvasRenderingContextGetCurrent(), nullptr);
        // The record is gone, not just hidden: the next context current prepares nothing else.
        auto b = make("b");
        b->makeContextCurrent();
        VLEGLContext::setCurrentContext(nullptr);
    });
    EXPECT_THAT(journal, ElementsAre("a", "b"));
}

TEST_F(VLCanvasRenderingContextTest, ALossIsLoggedAndPostedOnceOnTheMainThread) {
    struct Case {
        GLenum status;
        std::string text;
        bool guilty;
    };
    const std::vector<Case> cases = {
        {GL_INNOCENT_CONTEXT_RESET, "the app's", false},
        {GL_GUILTY_CONTEXT_RESET, "its", true},
        {GL_UNKNOWN_CONTEXT_RESET, "the app's", false},
    };
    for (const Case& lossCase : cases) {
        VLLogCapture log(VLLogFlagError);
        std::vector<bool> posted;
        auto observer = VLNotificationCenter::defaultCenter().addObserver(
            VLRuntimeGraphicsResetNotification, runtime.get().get(), [&](const VLNotification& notification) {
                EXPECT_TRUE(VLMainQueue::isCurrent());
                const bool* guilty = notification.userInfoValue<bool>(VLRuntimeGraphicsResetGuiltyKey);
                posted.push_back(guilty && *guilty);
            });
        onJSThread([&] {
            auto context = make("lost");
            context->makeContextCurrent();
            EXPECT_FALSE(context->checkContextLost());
            context->glContext()->setResetStatusForTesting(lossCase.status);
            EXPECT_TRUE(context->checkContextLost());
            EXPECT_TRUE(context->isContextLost());
            EXPECT_TRUE(context->checkContextLost()); // lost for good, reported once
            VLEGLContext::setCurrentContext(nullptr);
        });
        // Whatever the checks posted is queued before this.
        bool drained = false;
        VLMainQueue::async([&] { drained = true; });
        EXPECT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
        EXPECT_THAT(posted, ElementsAre(lossCase.guilty)) << lossCase.text;
        VLLogFlush();
        EXPECT_THAT(log.lines(),
                    ElementsAre(StartsWith("app.velto.engine/VLCanvasRenderingContext error: Velto: a "
                                           "canvas was lost, the GPU stopped " +
                                           lossCase.text + " work")));
    }
}

TEST_F(VLCanvasRenderingContextTest, AContextWithoutAValidEGLContextIsNeverLost) {
    onJSThread([&] {
        auto invalid =
            std::make_shared<CountingRenderingContext>(bindingContext(), nullptr, "none", &journal);
        EXPECT_FALSE(invalid->isValid());
        EXPECT_FALSE(invalid->checkContextLost());
        EXPECT_FALSE(invalid->isContextLost());
    });
}

TEST_F(VLCanvasRenderingContextTest, TheRuntimesGroupIsCountedOnceAndAnyOtherGroupByItsContexts) {
    onJSThread([&] {
        auto a = make("a");
        auto b = make("b");
        auto alone = make("alone", std::make_shared<VLEGLSharegroup>());
        std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop();
        loop->addMemoryReporter(a);
        loop->addMemoryReporter(b);
        a->makeContextCurrent();
        std::shared_ptr<VLGLTexture> texture = VLGLTexture::createWithWidth(64, 64);
        EXPECT_EQ(loop->renderingMemorySize(), 16384u);
        EXPECT_EQ(a->renderingMemorySize(), 0u);

        GLuint renderbuffer = 0;
        glGenRenderbuffers(1, &renderbuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
        a->glContext()->renderbufferStorage(GL_RENDERBUFFER, std::make_shared<FixedDrawable>(1000), 0, 0);
        GLint width = 0;
        glGetRenderbufferParameteriv(GL_RENDERBUFFER, GL_RENDERBUFFER_WIDTH, &width);
        EXPECT_EQ(width, 1); // a zero size still gets storage
        EXPECT_EQ(a->renderingMemorySize(), 1000u);
        EXPECT_EQ(loop->renderingMemorySize(), 16384u + 4 + 1000);

        loop->addMemoryReporter(alone);
        alone->makeContextCurrent();
        std::shared_ptr<VLGLTexture> own = VLGLTexture::createWithWidth(32, 32);
        EXPECT_EQ(alone->renderingMemorySize(), 4096u);
        EXPECT_EQ(loop->renderingMemorySize(), 16384u + 4 + 1000 + 4096);
        own.reset();
        texture.reset();
        VLEGLContext::setCurrentContext(nullptr);
    });
}

} // namespace
