#include "Modules/Canvas/GL/VLEGLContext.h"
#include "Modules/Canvas/GL/VLEGLContextScope.h"
#include "Modules/Canvas/GL/VLEGLDisplay.h"
#include "Modules/Canvas/GL/VLEGLSharegroup.h"
#include "Tests/Support/VLGLCallCounter.h"
#include "Tests/Support/VLGLContextOnOtherThread.h"
#include "Tests/Support/VLGLTest.h"
#include "Tests/Support/VLRecordingGLLogger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <thread>

namespace {

using EnterFunction = std::function<bool(const std::shared_ptr<VLEGLContext>&, const std::function<void()>&)>;

// An entry that answers nothing, made to answer whether it ran the block.
EnterFunction runsBlock(void (*enter)(const std::shared_ptr<VLEGLContext>&, const std::function<void()>&)) {
    return [enter](const std::shared_ptr<VLEGLContext>& context, const std::function<void()>& block) {
        bool ran = false;
        enter(context, [&] {
            ran = true;
            block();
        });
        return ran;
    };
}

// Each scoped entry, answering whether it ran the block.
const std::vector<std::pair<const char*, EnterFunction>>& scopedEntries() {
    static const std::vector<std::pair<const char*, EnterFunction>> entries = {
        {"VLGLTryEnterContextWithBlockScope", VLGLTryEnterContextWithBlockScope},
        {"VLGLEnterContextWithBlockScope", VLGLEnterContextWithBlockScope},
        {"VLGLEnterContextOfObjectsWithBlockScope", runsBlock(VLGLEnterContextOfObjectsWithBlockScope)},
        {"VLEGLEnterContextWithBlockScope", runsBlock(VLEGLEnterContextWithBlockScope)},
    };
    return entries;
}

using VLEGLContextTests = VLGLTest;

TEST_F(VLEGLContextTests, ContextsOfBothAPIsAreValidAndNotCurrentWhenMade) {
    EXPECT_TRUE(VLEGLIsSupported());
    for (int api : {2, 3}) {
        SCOPED_TRACE(api);
        std::shared_ptr<VLEGLContext> context = sharedContext(api);
        EXPECT_TRUE(context->isValid());
        EXPECT_EQ(context->api(), api);
        EXPECT_TRUE(context->clientArraysEnabled());
        EXPECT_EQ(context->reset(), VLEGLContext::ResetNone);
        EXPECT_EQ(VLEGLContext::currentContext(), nullptr);
        EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    }
    EXPECT_EQ(sharedContext(2)->sharegroup(), sharedContext(3)->sharegroup());
    EXPECT_FALSE(VLEGLContext::create(3, nullptr, false)->clientArraysEnabled());
}

TEST_F(VLEGLContextTests, TheCurrentContextIsRecordedPerThread) {
    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(3);
    EXPECT_EQ(VLEGLContext::currentContext(), context);
    EXPECT_EQ(eglGetCurrentContext(), context->eglContext());
    {
        // Already current without surfaces: only recorded.
        VLGLCallCounter<eglMakeCurrent> makeCurrent;
        EXPECT_TRUE(VLEGLContext::setCurrentContext(context));
        EXPECT_EQ(makeCurrent.calls(), 0);
    }
    std::thread([] { EXPECT_EQ(VLEGLContext::currentContext(), nullptr); }).join();

    EXPECT_TRUE(VLEGLContext::setCurrentContext(nullptr));
    EXPECT_EQ(VLEGLContext::currentContext(), nullptr);
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    {
        // Nothing current: nothing to release.
        VLGLCallCounter<eglMakeCurrent> makeCurrent;
        EXPECT_TRUE(VLEGLContext::setCurrentContext(nullptr));
        EXPECT_EQ(makeCurrent.calls(), 0);
    }
}

TEST_F(VLEGLContextTests, EveryScopedEntryRunsInTheContextAndRestoresThePreviousOne) {
    std::shared_ptr<VLEGLContext> inner = sharedContext(2);
    for (const auto& [name, enter] : scopedEntries()) {
        SCOPED_TRACE(name);
        for (std::shared_ptr<VLEGLContext> previous : {std::shared_ptr<VLEGLContext>(), sharedContext(3)}) {
            ASSERT_TRUE(VLEGLContext::setCurrentContext(previous));
            std::shared_ptr<VLEGLContext> inside;
            EXPECT_TRUE(enter(inner, [&] { inside = VLEGLContext::currentContext(); }));
            EXPECT_EQ(inside, inner);
            EXPECT_EQ(VLEGLContext::currentContext(), previous);
            EXPECT_EQ(eglGetCurrentContext(), previous ? previous->eglContext() : EGL_NO_CONTEXT);
        }
        // Entering the current context runs the block at once.
        ASSERT_TRUE(VLEGLContext::setCurrentContext(inner));
        VLGLCallCounter<eglMakeCurrent> makeCurrent;
        EXPECT_TRUE(enter(inner, [] {}));
        EXPECT_EQ(makeCurrent.calls(), 0);
        EXPECT_EQ(VLEGLContext::currentContext(), inner);
    }
}

TEST_F(VLEGLContextTests, TheFirstResetKindFoundIsKeptForever) {
    struct Row {
        GLenum status;
        VLEGLContext::Reset kind;
    };
    const Row rows[] = {
        {GL_NO_ERROR, VLEGLContext::ResetNone},
        {GL_GUILTY_CONTEXT_RESET, VLEGLContext::ResetGuilty},
        {GL_INNOCENT_CONTEXT_RESET, VLEGLContext::ResetInnocent},
        {GL_UNKNOWN_CONTEXT_RESET, VLEGLContext::ResetUnknown},
        {0x1234, VLEGLContext::ResetUnknown},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        std::shared_ptr<VLEGLContext> context = VLEGLContext::create(3, sharedContext(3)->sharegroup());
        ASSERT_TRUE(VLEGLContext::setCurrentContext(context));
        context->setResetStatusForTesting(row.status);
        EXPECT_EQ(context->checkReset(), row.kind);
        EXPECT_EQ(context->reset(), row.kind);
        // The next check asks GL itself, and llvmpipe never resets.
        context->setResetStatusForTesting(GL_GUILTY_CONTEXT_RESET == row.status ? GL_INNOCENT_CONTEXT_RESET
                                                                                : GL_GUILTY_CONTEXT_RESET);
        if (row.kind == VLEGLContext::ResetNone) {
            EXPECT_EQ(context->checkReset(), VLEGLContext::ResetGuilty);
            continue;
        }
        EXPECT_EQ(context->checkReset(), row.kind);
        EXPECT_EQ(context->checkReset(), row.kind);
        EXPECT_EQ(context->reset(), row.kind);
    }
    // A real check: llvmpipe never resets.
    std::shared_ptr<VLEGLContext> context = makeCurrentSharedContext(2);
    EXPECT_EQ(context->checkReset(), VLEGLContext::ResetNone);
}

// A context current on another thread is never waited for.
class VLEGLContextOnOtherThreadTests : public VLGLTest {
protected:
    std::shared_ptr<VLRecordingGLLogger> logger = std::make_shared<VLRecordingGLLogger>();
    std::shared_ptr<VLEGLContext> busy = sharedContext(3);
    std::shared_ptr<VLEGLSharegroup> sharegroup = busy->sharegroup();
    // Current on the test's thread, so that the group's logger hears the warnings.
    std::shared_ptr<VLEGLContext> own = makeCurrentSharedContext(2);

    void SetUp() override {
        sharegroup->vl_setLoggerProviderBlock([logger = logger] { return logger; });
    }
    void TearDown() override {
        sharegroup->vl_removeLoggerProvider();
        VLGLTest::TearDown();
    }
};

TEST_F(VLEGLContextOnOtherThreadTests, EntriesFailWithoutRunningTheBlock) {
    VLGLContextOnOtherThread other(busy);
    ASSERT_TRUE(other.isCurrent());
    EXPECT_FALSE(VLEGLContext::setCurrentContext(busy));

    bool ran = false;
    EXPECT_FALSE(VLGLTryEnterContextWithBlockScope(busy, [&] { ran = true; }));
    VLEGLEnterContextWithBlockScope(busy, [&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_TRUE(logger->lines().empty());

    EXPECT_FALSE(VLGLEnterContextWithBlockScope(busy, [&] { ran = true; }));
    EXPECT_FALSE(ran);
    EXPECT_THAT(logger->lines(), testing::ElementsAre(testing::Pair(
                                     "warn", "can't make a context current, it's in use on another thread")));
    EXPECT_EQ(VLEGLContext::currentContext(), own);
    EXPECT_EQ(eglGetCurrentContext(), own->eglContext());
}

TEST_F(VLEGLContextOnOtherThreadTests, ObjectsAreFreedInTheSharedContextOrNotAtAll) {
    VLGLContextOnOtherThread other(busy);
    std::shared_ptr<VLEGLContext> hidden = sharegroup->sharedContext();
    ASSERT_NE(hidden, nullptr);

    std::shared_ptr<VLEGLContext> inside;
    VLGLEnterContextOfObjectsWithBlockScope(busy, [&] { inside = VLEGLContext::currentContext(); });
    EXPECT_EQ(inside, hidden);
    EXPECT_TRUE(logger->lines().empty());

    VLGLContextOnOtherThread otherHidden(hidden);
    ASSERT_TRUE(otherHidden.isCurrent());
    bool ran = false;
    VLGLEnterContextOfObjectsWithBlockScope(busy, [&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_THAT(
        logger->lines(),
        testing::ElementsAre(testing::Pair(
            "warn", "can't make a context of the sharegroup current, it's in use on another thread")));
    EXPECT_EQ(VLEGLContext::currentContext(), own);
}

TEST(VLEGLDisplayTests, TheLastContextEndsTheDisplayAndTheNextMakesANewOne) {
    VLGLCallCounter<eglInitialize> initialize;
    VLGLCallCounter<eglTerminate> terminate;
    {
        std::shared_ptr<VLEGLContext> first = VLEGLContext::create(2);
        std::shared_ptr<VLEGLContext> second = VLEGLContext::create(3, first->sharegroup());
        ASSERT_TRUE(second->isValid());
        EXPECT_EQ(initialize.calls(), 1);
        first.reset();
        EXPECT_EQ(terminate.calls(), 0);
        // The group's hidden context goes with the last context that holds the group.
    }
    EXPECT_EQ(terminate.calls(), 1);
    std::shared_ptr<VLEGLContext> next = VLEGLContext::create(3);
    EXPECT_TRUE(next->isValid());
    EXPECT_EQ(initialize.calls(), 2);
    ASSERT_TRUE(VLEGLContext::setCurrentContext(next));
    EXPECT_TRUE(VLEGLContext::setCurrentContext(nullptr));
}

} // namespace
