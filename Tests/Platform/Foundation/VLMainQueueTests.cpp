#include "Platform/Foundation/VLMainQueue.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMainQueueHolding.h"
#include "Platform/Foundation/VLMainQueueTimer.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(VLMainQueue, BlocksFromOtherThreadsRunOnTheMainThreadInPostingOrder) {
    ASSERT_TRUE(VLMainQueue::isCurrent());
    constexpr int producers = 4, perProducer = 500;
    std::vector<std::vector<int>> seen(producers); // touched only on the main queue
    std::atomic<int> offMain{0};
    int total = 0;

    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p)
        threads.emplace_back([&, p] {
            if (VLMainQueue::isCurrent())
                ++offMain;
            for (int i = 0; i < perProducer; ++i)
                VLMainQueue::async([&, p, i] {
                    if (!VLMainQueue::isCurrent())
                        ++offMain;
                    seen[p].push_back(i);
                    ++total;
                });
        });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return total == producers * perProducer; }));
    for (auto& thread : threads)
        thread.join();

    EXPECT_EQ(0, offMain.load());
    for (int p = 0; p < producers; ++p)
        for (int i = 0; i < perProducer; ++i)
            ASSERT_EQ(i, seen[p][i]) << "producer " << p;
}

TEST(VLMainQueue, SyncWaitsForTheMainThreadAndRunsInlineOnIt) {
    bool ranInline = false;
    VLMainQueue::sync([&] { ranInline = true; });
    EXPECT_TRUE(ranInline);

    bool ranOnMain = false; // written on the main queue before the waiting thread resumes
    std::atomic<bool> returned{false};
    bool sawBlockDone = false;
    std::thread caller([&] {
        VLMainQueue::sync([&] { ranOnMain = VLMainQueue::isCurrent(); });
        sawBlockDone = ranOnMain;
        returned = true;
    });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return returned.load(); }));
    caller.join();
    EXPECT_TRUE(ranOnMain);
    EXPECT_TRUE(sawBlockDone);
}

TEST(VLMainQueue, HeldBlocksArriveTogetherInOrderBeforeTheHolderWaits) {
    constexpr int count = 1000;
    // Where each held block ran: its index, and the count of main-queue blocks begun by then.
    std::vector<std::pair<int, uint64_t>> seen; // the main queue's
    std::pair<int, uint64_t> seenBySync{-1, 0};
    int seenAfterHandOver = -1;
    std::atomic<bool> returned{false};
    std::thread holder([&] {
        VLMainQueueHolding::begin();
        for (int i = 0; i < count; ++i)
            VLMainQueue::async([&, i] { seen.emplace_back(i, VLMainQueue::blocksRun()); });
        // A sync post hands the held blocks over first, or it would wait for ever.
        VLMainQueue::sync([&] { seenBySync = {int(seen.size()), VLMainQueue::blocksRun()}; });
        VLMainQueue::async([&] { seenAfterHandOver = int(seen.size()); });
        VLMainQueueHolding::end();
        returned = true;
    });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return returned.load() && seenAfterHandOver >= 0; }));
    holder.join();
    ASSERT_EQ(size_t(count), seen.size());
    EXPECT_EQ(count, seenBySync.first);
    EXPECT_EQ(count, seenAfterHandOver);
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(i, seen[size_t(i)].first);
        // All within one main-queue block, so at most one wake-up of the main thread.
        ASSERT_EQ(seen[0].second, seen[size_t(i)].second) << i;
    }
    EXPECT_EQ(seen[0].second, seenBySync.second);
}

// A holder that hands work to another thread hands its blocks over first: what that thread posts to the
// main queue in answer comes after them, as it would without holding.
TEST(VLMainQueue, AHeldBlockRunsBeforeWhatAnotherQueuePostsInAnswer) {
    const std::shared_ptr<VLDispatchQueue> queue = VLDispatchQueue::create("test.answer");
    std::vector<std::string> order; // the main queue's
    std::atomic<bool> returned{false};
    std::thread holder([&] {
        VLMainQueueHolding::begin();
        VLMainQueue::async([&] { order.push_back("held"); });
        queue->async([&] { VLMainQueue::async([&] { order.push_back("answer"); }); });
        queue->sync([] {});
        VLMainQueueHolding::end();
        returned = true;
    });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return returned.load() && order.size() == 2; }));
    holder.join();
    EXPECT_EQ((std::vector<std::string>{"held", "answer"}), order);
}

TEST(VLMainQueue, DelayedBlocksJoinTheQueueInDueOrder) {
    std::vector<std::string> order;
    auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration waited150{};

    // Given first, due last; the others are given in the order of their deadlines, so that a pause of
    // this thread between two calls cannot swap them (only one of over 100 ms could).
    VLMainQueue::after(150ms, [&] {
        order.push_back("150ms");
        waited150 = std::chrono::steady_clock::now() - start;
    });
    VLMainQueue::after(0ms, [&] { order.push_back("0ms a"); });
    VLMainQueue::after(0ms, [&] { order.push_back("0ms b"); });
    VLMainQueue::after(20ms, [&] { order.push_back("20ms"); });
    VLMainQueue::async([&] { order.push_back("async"); });

    EXPECT_TRUE(VLMainQueue::runUntil([&] { return order.size() == 5; }));
    EXPECT_EQ((std::vector<std::string>{"async", "0ms a", "0ms b", "20ms", "150ms"}), order);
    EXPECT_GE(waited150, 150ms);
}

TEST(VLMainQueue, RunUntilGivesUpAfterTheTimeout) {
    EXPECT_FALSE(VLMainQueue::runUntil([] { return false; }, 30ms));
    EXPECT_TRUE(VLMainQueue::runUntil([] { return true; }, 0ms));
}

TEST(VLMainQueue, PredicateOnAnotherThreadsStateIsSeenWithoutADispatch) {
    std::atomic<bool> set{false};
    std::thread setter([&] { set = true; });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return set.load(); }));
    setter.join();
}

TEST(VLMainQueue, ARepeatingTimerFiresAfterEachIntervalUntilCancelled) {
    int fired = 0;
    std::shared_ptr<VLMainQueueTimer> timer = VLMainQueue::repeating(5ms, 1ms, [&] {
        EXPECT_TRUE(VLMainQueue::isCurrent());
        ++fired;
    });
    // Not at once: one interval first, whatever the main queue runs meanwhile.
    bool ranBefore = false;
    VLMainQueue::async([&] { ranBefore = fired == 0; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return fired >= 3; }));
    EXPECT_TRUE(ranBefore);

    timer->cancel();
    EXPECT_TRUE(timer->isCancelled());
    const int atCancel = fired;
    // Several intervals later nothing more has fired.
    bool later = false;
    VLMainQueue::after(40ms, [&] { later = true; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return later; }));
    EXPECT_EQ(fired, atCancel);
}

TEST(VLMainQueue, ATimerLetGoOfStops) {
    int fired = 0;
    VLMainQueue::repeating(5ms, 0ms, [&] { ++fired; });
    bool later = false;
    VLMainQueue::after(30ms, [&] { later = true; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return later; }));
    EXPECT_EQ(fired, 0);
}
