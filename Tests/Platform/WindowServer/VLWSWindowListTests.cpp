#include "Platform/WindowServer/VLWSPanel.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Tests/Platform/WindowServer/VLWSWindowNumbers.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using VLWSWindowListTest = VLWindowServerTest;

TEST_F(VLWSWindowListTest, ReadFromAnotherThreadItMatchesTheModel) {
    auto normal = std::make_shared<VLWSWindow>(VLRect(100, 600, 200, 100), VLWSWindowStyleMaskBorderless);
    auto floating = std::make_shared<VLWSPanel>(VLRect(0, 0, 50, 50), VLWSWindowStyleMaskNonactivatingPanel);
    auto hidden = std::make_shared<VLWSWindow>(VLRect(0, 0, 10, 10), VLWSWindowStyleMaskTitled);
    normal->setTitle("normal");
    normal->setAlphaValue(0.5);
    floating->setLevel(VLWSWindowLevelForKey(VLWSFloatingWindowLevelKey));
    normal->orderFront();
    floating->orderFront();
    EXPECT_GT(normal->windowNumber(), 0);
    EXPECT_NE(normal->windowNumber(), floating->windowNumber());

    std::vector<VLWSWindowListEntry> onScreen, all, one, described;
    std::thread reader([&] {
        auto snapshot = VLWindowServer::shared()->snapshot();
        onScreen = snapshot->windowList(VLWSWindowListOptionOnScreenOnly);
        all = snapshot->windowList(VLWSWindowListOptionAll);
        one = snapshot->windowList(VLWSWindowListOptionIncludingWindow, normal->windowNumber());
        described = snapshot->windowDescriptions({hidden->windowNumber(), 999, normal->windowNumber()});
    });
    reader.join();

    EXPECT_EQ((std::vector<int64_t>{floating->windowNumber(), normal->windowNumber()}),
              VLWSWindowNumbersOf(onScreen));
    EXPECT_EQ(
        (std::vector<int64_t>{floating->windowNumber(), normal->windowNumber(), hidden->windowNumber()}),
        VLWSWindowNumbersOf(all));
    EXPECT_EQ((std::vector<int64_t>{hidden->windowNumber(), normal->windowNumber()}),
              VLWSWindowNumbersOf(described));
    ASSERT_EQ(1u, one.size());
    const VLWSWindowListEntry& entry = one.front();
    EXPECT_EQ(0, entry.level);
    EXPECT_EQ(getpid(), entry.ownerPID);
    EXPECT_FALSE(entry.ownerName.empty());
    EXPECT_EQ("normal", entry.name);
    // Top-left global coordinates on the 900-point primary screen.
    EXPECT_EQ(VLRect(100, 200, 200, 100), entry.bounds);
    EXPECT_EQ(0.5, entry.alpha);
    EXPECT_TRUE(entry.isOnScreen);
    EXPECT_EQ(VLWSFloatingWindowLevel, onScreen.front().level);
    EXPECT_FALSE(all.back().isOnScreen);
    EXPECT_TRUE(
        VLWindowServer::shared()->snapshot()->windowList(VLWSWindowListOptionIncludingWindow, 999).empty());
}

TEST_F(VLWSWindowListTest, ReadersSeeWholeListsWhileTheMainThreadMovesWindows) {
    auto a = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    auto b = std::make_shared<VLWSWindow>(VLRect(0, 0, 100, 100), VLWSWindowStyleMaskBorderless);
    a->orderFront();
    b->orderFront();
    std::atomic<bool> done{false};
    std::atomic<int> malformed{0};
    std::thread reader([&] {
        while (!done) {
            auto list = VLWindowServer::shared()->snapshot()->windowList(VLWSWindowListOptionOnScreenOnly);
            for (const auto& entry : list)
                if (entry.bounds.size != VLSize{100, 100} || entry.bounds.origin.x < 0 ||
                    entry.bounds.origin.x > 99)
                    ++malformed;
            if (list.size() != 2)
                ++malformed;
        }
    });
    for (int step = 0; step < 100; ++step) {
        a->setFrameOrigin({double(step), 0});
        b->setFrameOrigin({double(99 - step), 0});
        (step % 2 ? a : b)->orderFront();
    }
    done = true;
    reader.join();
    EXPECT_EQ(0, malformed.load());
}

TEST(VLWSWindowLevel, LevelsByKeyHaveTheRuntimeValues) {
    const std::pair<VLWSWindowLevelKey, int32_t> levels[] = {
        {VLWSDesktopWindowLevelKey, -2147483623},
        {VLWSDesktopIconWindowLevelKey, -2147483603},
        {VLWSNormalWindowLevelKey, 0},
        {VLWSFloatingWindowLevelKey, 3},
        {VLWSModalPanelWindowLevelKey, 8},
        {VLWSDockWindowLevelKey, 20},
    };
    for (const auto& [key, level] : levels)
        EXPECT_EQ(level, VLWSWindowLevelForKey(key)) << key;
    EXPECT_EQ(0, VLWSWindowLevelForKey(static_cast<VLWSWindowLevelKey>(99)));
}
