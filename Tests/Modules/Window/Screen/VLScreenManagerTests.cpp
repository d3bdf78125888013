#include "Modules/Window/Screen/VLScreenManager.h"

#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLGeometryPrinter.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

// The manager is made once per process, so this test must be the process's first use of it, as it is
// when the test runs alone.
TEST(VLScreenManager, MadeOffTheMainThreadItAnswersTheBoundsUntilTheMainQueueComputedTheVisibleFrames) {
    VLWindowServer::setShared(std::make_shared<VLWindowServer>());
    VLRect early;
    std::thread([&early] { early = VLScreenManager::sharedInstance()->visibleFrameOfDisplay(1); }).join();
    EXPECT_EQ(early, VLRect(0, 0, 1440, 900));

    bool drained = false;
    VLMainQueue::async([&drained] { drained = true; });
    ASSERT_TRUE(VLMainQueue::runUntil([&drained] { return drained; }));
    EXPECT_EQ(VLScreenManager::sharedInstance()->visibleFrameOfDisplay(1), VLRect(0, 25, 1440, 875));
    // An unknown display has neither.
    EXPECT_EQ(VLScreenManager::sharedInstance()->visibleFrameOfDisplay(9), VLRectZero);
    VLWindowServer::setShared(nullptr);
}
