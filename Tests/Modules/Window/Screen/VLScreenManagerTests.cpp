#include "Modules/Window/Screen/VLScreenManager.h"

#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

namespace {

std::string screenRectText(const VLRect& rect) {
    char text[96];
    std::snprintf(text, sizeof text, "%g %g %g %g", rect.origin.x, rect.origin.y, rect.size.width,
                  rect.size.height);
    return text;
}

} // namespace

// The manager is made once per process, so the test runs in a process of its own, where this is its
// first use.
TEST(VLScreenManager, MadeOffTheMainThreadItAnswersTheBoundsUntilTheMainQueueComputedTheVisibleFrames) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            VLWindowServer::setShared(std::make_shared<VLWindowServer>());
            VLRect early;
            std::thread([&early] {
                early = VLScreenManager::sharedInstance()->visibleFrameOfDisplay(1);
            }).join();

            bool drained = false;
            VLMainQueue::async([&drained] { drained = true; });
            if (!VLMainQueue::runUntil([&drained] { return drained; }))
                std::exit(1);
            const VLRect computed = VLScreenManager::sharedInstance()->visibleFrameOfDisplay(1);
            // An unknown display has neither.
            const VLRect unknown = VLScreenManager::sharedInstance()->visibleFrameOfDisplay(9);
            std::fprintf(stderr, "early %s, computed %s, unknown %s\n", screenRectText(early).c_str(),
                         screenRectText(computed).c_str(), screenRectText(unknown).c_str());
            std::exit(0);
        },
        testing::ExitedWithCode(0), "early 0 0 1440 900, computed 0 25 1440 875, unknown 0 0 0 0");
}
