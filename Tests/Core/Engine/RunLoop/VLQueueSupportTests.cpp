#include "Core/Engine/RunLoop/VLQueueSupport.h"

#include "Platform/Foundation/VLMainQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

TEST(VLQueueSupport, ExecuteOnMainQueueRunsAtOnceThereAndPostsInOrderFromElsewhere) {
    std::vector<int> order; // touched only on the main queue
    VLExecuteOnMainQueue([&] { order.push_back(0); });
    EXPECT_EQ(std::vector<int>{0}, order);

    std::atomic<bool> returned{false}, wasMainQueueThere{true};
    std::thread poster([&] {
        wasMainQueueThere = VLIsMainQueue();
        for (int i = 1; i <= 100; ++i)
            VLExecuteOnMainQueue([&, i] { order.push_back(i); });
        returned = true;
    });
    poster.join(); // posting never waits for the main queue
    EXPECT_TRUE(returned);
    EXPECT_FALSE(wasMainQueueThere);
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return order.size() == 101; }));
    for (int i = 0; i <= 100; ++i)
        ASSERT_EQ(i, order[i]);
}

TEST(VLQueueSupport, UnsafeSyncRunsOnTheMainQueueBeforeReturning) {
    bool ranInline = false;
    VLUnsafeExecuteOnMainQueueSync([&] { ranInline = VLIsMainQueue(); });
    EXPECT_TRUE(ranInline);

    bool ranOnMain = false;
    std::atomic<bool> sawIt{false}, returned{false};
    std::thread caller([&] {
        VLUnsafeExecuteOnMainQueueSync([&] { ranOnMain = VLIsMainQueue(); });
        sawIt = ranOnMain;
        returned = true;
    });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return returned.load(); }));
    caller.join();
    EXPECT_TRUE(sawIt);
}
