#include "Core/Engine/Support/VLLocks.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Runs the body on several threads at once and waits for all of them.
template <typename Body>
void runOnThreads(int count, Body body) {
    std::vector<std::thread> threads;
    for (int index = 0; index < count; ++index)
        threads.emplace_back(body);
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace

TEST(VLUnfairLock, ExcludesOtherThreadsAndWorksWithStandardGuards) {
    std::shared_ptr<VLUnfairLock> lock = VLCreateFastLock();
    EXPECT_NE(lock, VLCreateFastLock());
    int counter = 0;
    runOnThreads(4, [&] {
        for (int i = 0; i < 10000; ++i) {
            if (i % 2) {
                std::lock_guard guard(*lock);
                ++counter;
            } else {
                lock->lockUsingBlock([&] { ++counter; });
            }
        }
    });
    EXPECT_EQ(40000, counter);
    EXPECT_EQ(7, lock->lockUsingBlock([] { return 7; }));
}

TEST(VLGetResourceLock, GivesOneLockPerKeyWhileItIsHeld) {
    std::shared_ptr<VLUnfairLock> held = VLGetResourceLock("file:a");
    EXPECT_EQ(held, VLGetResourceLock("file:a"));
    EXPECT_NE(held, VLGetResourceLock("file:b"));

    // Other threads keep making and dropping locks for the same keys meanwhile: a dropped lock's
    // removal from the table must never take the entry of a lock that someone still holds.
    runOnThreads(8, [&] {
        for (int i = 0; i < 2000; ++i) {
            EXPECT_EQ(held, VLGetResourceLock("file:a"));
            std::shared_ptr<VLUnfairLock> churn = VLGetResourceLock("file:c");
            std::shared_ptr<VLUnfairLock> again = VLGetResourceLock("file:c");
            EXPECT_EQ(churn, again);
        }
    });

    std::weak_ptr<VLUnfairLock> weak = held;
    held.reset();
    EXPECT_TRUE(weak.expired()); // the table does not keep it
    EXPECT_NE(nullptr, VLGetResourceLock("file:a"));
}
