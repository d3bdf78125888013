#include "Modules/System/VLWindowsJSBinding.h"

#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Log/VLLog.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/WindowList/VLWindowListMonitor.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

namespace {

// Each test has a window server and a window list monitor of its own.
class VLWindowsJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(server);
        VLWindowListMonitor::setShared(monitor);
    }
    void TearDown() override {
        VLWindowListMonitor::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    static std::unique_ptr<VLTestWidget> launch(const std::string& script) {
        return std::make_unique<VLTestWidget>(
            std::map<std::string, std::string>{{"index.js", script}},
            [](VLLocalPathLaunchPayload& payload) { payload.setAllowsWindowPositions(true); });
    }
    static size_t windowsLogLines(const VLLogCapture& capture, const std::string& text) {
        VLLogFlush();
        const std::vector<std::string> lines = capture.lines();
        return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    std::shared_ptr<VLWindowServer> server = std::make_shared<VLWindowServer>();
    std::shared_ptr<VLWindowListMonitor> monitor = VLWindowListMonitor::create();
};

} // namespace

TEST_F(VLWindowsJSBindingTest, ReplacingTheHandlerKeepsWatchingAndRemovingItStopsAfterTheTurn) {
    VLLogFlush();
    VLLogCapture capture(VLLogLevelAll);
    auto widget = launch("Velto.windows.onchange = () => {}; Velto.windows.onchange = () => {};");
    widget->settle();
    monitor->flush();
    EXPECT_EQ(widget->evaluate("Velto.windows.onchange = () => {}; 'replaced'"), "replaced");
    monitor->flush();
    EXPECT_TRUE(monitor->isStarted());
    // Removed and set again within one turn: still watched.
    EXPECT_EQ(widget->evaluate("Velto.windows.offchange(); Velto.windows.onchange = () => {}; 'again'"),
              "again");
    monitor->flush();
    EXPECT_TRUE(monitor->isStarted());
    EXPECT_EQ(windowsLogLines(capture, "Started watching other apps' windows"), 1u);
    EXPECT_EQ(windowsLogLines(capture, "Stopped watching other apps' windows"), 0u);

    EXPECT_EQ(widget->evaluate("String(Velto.windows.offchange())"), "undefined");
    widget->settle();
    monitor->flush();
    EXPECT_FALSE(monitor->isStarted());
    EXPECT_EQ(windowsLogLines(capture, "Stopped watching other apps' windows"), 1u);
}

TEST_F(VLWindowsJSBindingTest, WithoutHandlersOneTurnSeesOneList) {
    server->driver().launchApplication({501, "com.example.mail", "Mail"});
    server->driver().addWindow({.ownerPID = 501, .frame = {100, 100, 300, 200}});
    auto widget = launch("");
    widget->settle();
    // Another machine, with the window elsewhere, takes over in the middle of a turn.
    auto moved = std::make_shared<VLWindowServer>();
    moved->driver().launchApplication({501, "com.example.mail", "Mail"});
    moved->driver().addWindow({.ownerPID = 501, .frame = {400, 100, 300, 200}});
    const std::string listed = "JSON.stringify(Velto.windows.list().map((window) => window.frame.x))";
    std::string first, second;
    widget->inspect(listed, [&](JSContextRef ctx, JSValueRef value) {
        first = VLJSValueToNSString(ctx, value).value_or("");
        VLWindowServer::setShared(moved);
        JSValueRef again = JSEvaluateScript(ctx, VLJSString(listed).get(), nullptr, nullptr, 0, nullptr);
        second = VLJSValueToNSString(ctx, again).value_or("");
    });
    EXPECT_EQ(first, "[100]");
    EXPECT_EQ(second, "[100]");
    EXPECT_EQ(widget->evaluate(listed), "[400]");
}
