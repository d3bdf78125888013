#include "Platform/Foundation/VLTimerfdQueue.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A context of its own, iterated by the test itself.
class VLTimerfdQueueTests : public testing::Test {
protected:
    GMainContext* context = g_main_context_new();
    std::shared_ptr<VLTimerfdQueue> queue = VLTimerfdQueue::forContext(context);

    ~VLTimerfdQueueTests() override { g_main_context_unref(context); }

    std::shared_ptr<VLDelayedBlock> add(uint64_t delayNanoseconds, std::function<void()> block) {
        auto delayed = std::make_shared<VLDelayedBlock>(std::move(block));
        queue->add(delayNanoseconds, delayed);
        return delayed;
    }

    // Waits for what the context has to do next and does it.
    void turn() { g_main_context_iteration(context, TRUE); }

    // The poll time-out the context would wait with now, in milliseconds (-1: until a source wakes it).
    int pollTimeout() {
        gint priority = 0, timeout = 0;
        g_main_context_acquire(context);
        g_main_context_prepare(context, &priority);
        GPollFD fds[16];
        g_main_context_query(context, priority, &timeout, fds, 16);
        g_main_context_check(context, priority, fds, 0);
        g_main_context_release(context);
        return timeout;
    }
};

TEST_F(VLTimerfdQueueTests, OneQueuePerContextThatRunsWhatIsDueInOrder) {
    ASSERT_TRUE(queue);
    EXPECT_EQ(queue, VLTimerfdQueue::forContext(context));
    std::vector<std::string> runs;
    add(0, [&] { runs.push_back("first"); });
    add(0, [&] { runs.push_back("second"); });
    auto cancelled = add(0, [&] { runs.push_back("cancelled"); });
    // Added last: were it added first, a busy machine could let its 2 ms pass before the others came, and
    // it would rightly run first.
    add(2'000'000, [&] { runs.push_back("later"); });
    cancelled->cancel();
    // On a busy machine the later block may be due by the first turn too; the order holds either way.
    turn();
    ASSERT_GE(runs.size(), 2u);
    while (runs.size() < 3)
        turn();
    EXPECT_EQ((std::vector<std::string>{"first", "second", "later"}), runs);
}

// A block that adds another at no delay does not keep the loop to itself: what else is ready (posted
// work, the engine's own timers) goes first.
TEST_F(VLTimerfdQueueTests, AChainOfZeroDelaysYieldsToOtherSources) {
    int hops = 0, others = 0;
    std::function<void()> hop = [&] {
        if (++hops < 1000)
            add(0, hop);
    };
    add(0, hop);
    GSource* other = g_idle_source_new();
    g_source_set_callback(
        other,
        [](gpointer count) { return ++*static_cast<int*>(count) < 10 ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE; },
        &others, nullptr);
    g_source_set_priority(other, G_PRIORITY_DEFAULT_IDLE);
    g_source_attach(other, context);
    g_source_unref(other);
    for (int turns = 0; turns < 10; ++turns)
        turn();
    EXPECT_EQ(10, others);
    // Then the chain has the loop: a hop a turn.
    const int hopsBefore = hops;
    for (int turns = 0; turns < 20; ++turns)
        turn();
    EXPECT_EQ(hopsBefore + 20, hops);
}

// What is far ahead, or called off, leaves the loop to sleep: no time-out wakes it, only the timerfd
// at the deadline.
TEST_F(VLTimerfdQueueTests, AnIdleOrFarQueueSetsNoTimeOut) {
    EXPECT_EQ(-1, pollTimeout());
    auto ahead = add(8'000'000'000, [] { ADD_FAILURE() << "ran 8 s early"; });
    EXPECT_EQ(-1, pollTimeout());
    EXPECT_FALSE(g_main_context_iteration(context, FALSE));
    ahead->cancel();
    EXPECT_EQ(-1, pollTimeout());
}

} // namespace
