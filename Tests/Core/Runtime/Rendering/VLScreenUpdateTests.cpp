#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Runtime/Rendering/VLScreenUpdate.h"
#include "Core/Runtime/Rendering/VLScreenUpdateTransaction.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWSLayer.h"
#include "Platform/WindowServer/VLWSTransaction.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

// Notes the transaction's steps among the changes it groups; main thread.
class RecordingTransaction final : public VLScreenUpdateTransaction {
public:
    explicit RecordingTransaction(Log& log) : _log(log) {}
    void begin() override { _log.push_back("begin"); }
    void setDisableActions(bool disable) override { _log.push_back(disable ? "actions off" : "actions on"); }
    void commit() override { _log.push_back("commit"); }

private:
    Log& _log;
};

// The batching functions run on a layout thread of their own, as on a runtime's JavaScript thread.
class VLScreenUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        // What earlier tests left on the main queue runs before the recording starts.
        bool drained = false;
        VLMainQueue::async([&] { drained = true; });
        ASSERT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
        VLScreenUpdateTransaction::setShared(std::make_shared<RecordingTransaction>(_log));
    }
    void TearDown() override { VLScreenUpdateTransaction::setShared(nullptr); }

    // Runs the steps on the layout thread, lets the main queue run what they sent, and answers it.
    Log run(const std::function<void()>& steps) {
        _log.clear();
        bool done = false; // main thread
        _layoutThread->performBlockSync([&] {
            steps();
            VLMainQueue::async([&] { done = true; });
        });
        EXPECT_TRUE(VLMainQueue::runUntil([&] { return done; }));
        return _log;
    }

    // A view change that notes its name.
    VLScreenUpdateBlock change(std::string name) {
        return [this, name] { _log.push_back(name); };
    }

    bool isHeld() {
        bool held = false;
        _layoutThread->performBlockSync([&] { held = VLScreenUpdateIsHeld(); });
        return held;
    }

    Log _log; // main thread
    std::shared_ptr<VLRunLoop> _layoutThread =
        VLRunLoop::create(VLRunLoopThread::create("app.velto.test-layout"));
};

} // namespace

TEST_F(VLScreenUpdateTest, AnUnheldPassAppliesItsChangesTogetherAsItEnds) {
    EXPECT_EQ((Log{"begin", "actions off", "a", "b", "commit"}), run([&] {
                  VLScreenUpdateBeginLayout();
                  VLScreenUpdatePerform(change("a"));
                  VLScreenUpdatePerform(change("b"));
                  VLScreenUpdateEndLayout();
              }));
    // Alone, outside a pass, a change needs no transaction; an end at depth 0 changes nothing.
    EXPECT_EQ((Log{"c"}), run([&] {
                  VLScreenUpdateEndLayout();
                  VLScreenUpdatePerform(change("c"));
              }));
    EXPECT_FALSE(isHeld());
}

TEST_F(VLScreenUpdateTest, AHeldPassWaitsForTheFlushWithEverythingQueuedBehindIt) {
    EXPECT_EQ(Log{}, run([&] {
                  VLScreenUpdateBeginLayout();
                  VLScreenUpdateHoldUntilPresent();
                  VLScreenUpdatePerform(change("resize"));
                  VLScreenUpdateEndLayout();
                  VLScreenUpdateBeginLayout(); // unheld, but behind the held one
                  VLScreenUpdatePerform(change("move"));
                  VLScreenUpdateEndLayout();
                  VLScreenUpdatePerform(change("single"));
                  VLScreenUpdatePresent(change("present"));
              }));
    EXPECT_TRUE(isHeld());
    EXPECT_EQ((Log{"begin", "actions off", "resize", "move", "single", "present", "commit"}),
              run([] { VLScreenUpdateFlush(); }));
    EXPECT_FALSE(isHeld());
    EXPECT_EQ(Log{}, run([] { VLScreenUpdateFlush(); }));
}

TEST_F(VLScreenUpdateTest, NestedPassesRunOnlyWhenTheOutermostEndsAndAnInnerHoldHoldsIt) {
    EXPECT_EQ(Log{}, run([&] {
                  VLScreenUpdateBeginLayout();
                  VLScreenUpdatePerform(change("outer"));
                  VLScreenUpdateBeginLayout();
                  VLScreenUpdateHoldUntilPresent();
                  VLScreenUpdatePerform(change("inner"));
                  VLScreenUpdateEndLayout();
                  VLScreenUpdatePerform(change("after inner"));
                  VLScreenUpdateEndLayout();
              }));
    EXPECT_EQ((Log{"begin", "actions off", "outer", "inner", "after inner", "commit"}),
              run([] { VLScreenUpdateFlush(); }));

    // A hold outside a pass holds nothing.
    EXPECT_EQ((Log{"free"}), run([&] {
                  VLScreenUpdateHoldUntilPresent();
                  VLScreenUpdatePerform(change("free"));
              }));
}

TEST_F(VLScreenUpdateTest, AFlushOfPresentBlocksAloneStillOpensATransaction) {
    EXPECT_EQ((Log{"begin", "actions off", "surface 1", "surface 2", "commit"}), run([&] {
                  VLScreenUpdatePresent(change("surface 1"));
                  VLScreenUpdatePresent(change("surface 2"));
                  EXPECT_FALSE(VLScreenUpdateIsHeld());
                  VLScreenUpdateFlush();
              }));
}

TEST_F(VLScreenUpdateTest, EachThreadHasItsOwnBatch) {
    run([&] {
        VLScreenUpdateBeginLayout();
        VLScreenUpdateHoldUntilPresent();
        VLScreenUpdatePerform(change("held elsewhere"));
        VLScreenUpdateEndLayout();
    });
    // The main thread's own state is empty: its flush sends nothing.
    EXPECT_FALSE(VLScreenUpdateIsHeld());
    VLScreenUpdateFlush();
    EXPECT_EQ(Log{}, _log);
    EXPECT_TRUE(isHeld());
    EXPECT_EQ((Log{"begin", "actions off", "held elsewhere", "commit"}), run([] { VLScreenUpdateFlush(); }));
}

TEST_F(VLScreenUpdateTest, ByDefaultAPassIsOneWindowServerTransactionWithoutActions) {
    VLScreenUpdateTransaction::setShared(nullptr);
    VLWSTransaction::clearCommitLog();
    VLWSTransaction::setRecordsCommits(true);
    auto layer = std::make_shared<VLWSLayer>(); // main thread from here on
    run([&] {
        VLScreenUpdateBeginLayout();
        VLScreenUpdatePerform([layer] { layer->setOpacity(0.5f); });
        VLScreenUpdatePerform([layer] { layer->setHidden(true); });
        VLScreenUpdateEndLayout();
    });
    VLWSTransaction::setRecordsCommits(false);
    EXPECT_EQ((std::vector<VLWSTransactionCommit>{{std::this_thread::get_id(), true, true}}),
              VLWSTransaction::commitLog());
    EXPECT_TRUE(layer->isHidden());
}
