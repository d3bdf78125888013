#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWSWindowLevel.h"
#include "Tests/Platform/WindowServer/VLWSWindowNumbers.h"
#include "Tests/Support/VLWindowServerTest.h"

#include <gtest/gtest.h>
#include <unistd.h>

using VLWSForeignWindowTest = VLWindowServerTest;

TEST_F(VLWSForeignWindowTest, TheWindowListHoldsForeignAndOwnWindowsFrontToBack) {
    auto& driver = server().driver();
    ASSERT_TRUE(driver.launchApplication(
        {.processIdentifier = 501, .bundleIdentifier = "com.example.editor", .localizedName = "Editor"}));
    auto own = std::make_shared<VLWSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
    own->orderFront();
    const int64_t editor = driver.addWindow(
        {.ownerPID = 501, .ownerName = "Editor", .name = "Doc", .frame = {0, 0, 50, 50}, .alpha = 0.5});
    const int64_t floating = driver.addWindow(
        {.ownerPID = 501, .ownerName = "Editor", .level = VLWSFloatingWindowLevel, .frame = {0, 0, 40, 40}});
    const std::vector<int64_t> desktop = driver.addDesktop(501);
    auto hidden = std::make_shared<VLWSWindow>(VLRect(0, 0, 10, 10), VLWSWindowStyleMaskBorderless);
    own->orderFront();

    auto list = server().snapshot()->windowList(VLWSWindowListOptionOnScreenOnly);
    EXPECT_EQ((std::vector<int64_t>{floating, own->windowNumber(), editor, desktop[1], desktop[0]}),
              VLWSWindowNumbersOf(list));
    const VLWSWindowListEntry& doc = list[2];
    EXPECT_EQ(501, doc.ownerPID);
    EXPECT_EQ("Editor", doc.ownerName);
    EXPECT_EQ("Doc", doc.name);
    EXPECT_EQ((VLRect{0, 850, 50, 50}), doc.bounds);
    EXPECT_EQ(0.5, doc.alpha);
    EXPECT_EQ(VLWSDesktopIconWindowLevel, list[3].level);
    EXPECT_EQ(hidden->windowNumber(),
              VLWSWindowNumbersOf(server().snapshot()->windowList(VLWSWindowListOptionAll)).back());
    EXPECT_EQ((std::vector<int64_t>{editor}), VLWSWindowNumbersOf(server().snapshot()->windowList(
                                                  VLWSWindowListOptionIncludingWindow, editor)));

    // Hiding the application takes its windows off the screen; moving one keeps its place.
    ASSERT_TRUE(driver.hideApplication(501));
    EXPECT_EQ((std::vector<int64_t>{own->windowNumber()}),
              VLWSWindowNumbersOf(server().snapshot()->windowList(VLWSWindowListOptionOnScreenOnly)));
    ASSERT_TRUE(driver.unhideApplication(501));
    VLWSForeignWindow moved = server().foreignWindows().front();
    moved.frame = {10, 10, 40, 40};
    ASSERT_TRUE(driver.setWindow(moved));
    EXPECT_EQ(floating,
              VLWSWindowNumbersOf(server().snapshot()->windowList(VLWSWindowListOptionOnScreenOnly)).front());
    EXPECT_EQ((VLRect{10, 850, 40, 40}),
              server().snapshot()->windowList(VLWSWindowListOptionIncludingWindow, floating).front().bounds);

    // Terminating the application takes its windows away.
    ASSERT_TRUE(driver.terminateApplication(501));
    EXPECT_EQ((std::vector<int64_t>{own->windowNumber()}),
              VLWSWindowNumbersOf(server().snapshot()->windowList(VLWSWindowListOptionOnScreenOnly)));
    EXPECT_TRUE(server().foreignWindows().empty());
}

TEST_F(VLWSForeignWindowTest, AnOpaqueForeignWindowOverAnOwnWindowHidesIt) {
    auto own = std::make_shared<VLWSWindow>(VLRect(100, 100, 200, 200), VLWSWindowStyleMaskBorderless);
    own->orderFront();
    drainMainQueue();
    ASSERT_EQ(VLWSWindowOcclusionStateVisible, own->occlusionState());

    const int64_t cover =
        server().driver().addWindow({.ownerPID = 77, .frame = {50, 50, 400, 400}, .alpha = 0.9});
    drainMainQueue();
    EXPECT_EQ(VLWSWindowOcclusionStateVisible, own->occlusionState());
    VLWSForeignWindow opaque = server().foreignWindows().front();
    opaque.alpha = 1;
    ASSERT_TRUE(server().driver().setWindow(opaque));
    drainMainQueue();
    EXPECT_EQ(0u, own->occlusionState());
    ASSERT_TRUE(server().driver().removeWindow(cover));
    drainMainQueue();
    EXPECT_EQ(VLWSWindowOcclusionStateVisible, own->occlusionState());
}

TEST_F(VLWSForeignWindowTest, TheWorkspacePostsUnderItsOwnNames) {
    std::vector<std::string> posted;
    std::vector<std::shared_ptr<VLNotificationCenter::Observer>> observers;
    for (const char* name :
         {VLWSWorkspaceDidActivateApplicationNotification, VLWSWorkspaceDidLaunchApplicationNotification,
          VLWSWorkspaceDidTerminateApplicationNotification, VLWSWorkspaceDidHideApplicationNotification,
          VLWSWorkspaceDidUnhideApplicationNotification, VLWSWorkspaceActiveSpaceDidChangeNotification})
        observers.push_back(VLNotificationCenter::defaultCenter().addObserver(
            name, nullptr, [&](const VLNotification& notification) {
                const auto* application =
                    notification.userInfoValue<VLWSRunningApplication>(VLWSWorkspaceApplicationKey);
                posted.push_back(notification.name() + (application ? " " + application->localizedName : ""));
            }));
    auto& driver = server().driver();
    server().activate();
    ASSERT_TRUE(driver.launchApplication({.processIdentifier = 600, .localizedName = "Mail"}));
    EXPECT_FALSE(driver.launchApplication({.processIdentifier = 600, .localizedName = "Again"}));
    ASSERT_TRUE(driver.activateApplication(600));
    EXPECT_FALSE(server().isActive());
    EXPECT_EQ(600, server().workspace().frontmostApplication()->processIdentifier);
    ASSERT_TRUE(driver.hideApplication(600));
    ASSERT_TRUE(driver.unhideApplication(600));
    driver.changeSpace();
    ASSERT_TRUE(driver.activateApplication(getpid()));
    EXPECT_TRUE(server().isActive());
    ASSERT_TRUE(driver.terminateApplication(600));
    EXPECT_FALSE(driver.terminateApplication(getpid()));

    const std::string own = server().workspace().runningApplications().front().localizedName;
    EXPECT_EQ((std::vector<std::string>{
                  "VLWSWorkspaceDidActivateApplicationNotification " + own,
                  "VLWSWorkspaceDidLaunchApplicationNotification Mail",
                  "VLWSWorkspaceDidActivateApplicationNotification Mail",
                  "VLWSWorkspaceDidHideApplicationNotification Mail",
                  "VLWSWorkspaceDidUnhideApplicationNotification Mail",
                  "VLWSWorkspaceActiveSpaceDidChangeNotification",
                  "VLWSWorkspaceDidActivateApplicationNotification " + own,
                  "VLWSWorkspaceDidTerminateApplicationNotification Mail",
              }),
              posted);
}
