#include "Modules/System/VLInputJSBinding.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/Input/VLInputMonitor.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

namespace {

// Each test has a window server and an input monitor of its own, nobody ever asked for key access, and
// the access is unknown.
class VLInputJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLUserDefaults::standard().removeObjectForKey("VLInputMonitorAskedForKeyAccess");
        VLInputMonitor::setShared(monitor);
    }
    void TearDown() override {
        VLInputMonitor::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    static std::unique_ptr<VLTestWidget> launch(const std::string& script, bool allowed) {
        return std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", script}},
                                              [allowed](VLLocalPathLaunchPayload& payload) {
                                                  payload.setAllowsGlobalMouse(allowed);
                                                  payload.setAllowsKeyActivity(allowed);
                                                  payload.setAsksForInputMonitoring(true);
                                              });
    }
    static size_t linesContaining(const VLLogCapture& capture, const std::string& text) {
        VLLogFlush();
        const std::vector<std::string> lines = capture.lines();
        return size_t(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        }));
    }

    std::shared_ptr<VLInputMonitor> monitor = std::make_shared<VLInputMonitor>();
};

constexpr const char* kAllHandlers = R"(
    var seen = [];
    for (const type of ['mousemove', 'mousedown', 'mouseup', 'wheel', 'keyactivity'])
        Velto.input.addEventListener(type, () => seen.push(type));
)";

} // namespace

TEST_F(VLInputJSBindingTest, WithoutPermissionsNothingIsObservedOrAskedAndNothingShows) {
    auto widget = launch(kAllHandlers, false);
    widget->settle();
    VLTestWidget::driver().moveMouse({10, 10});
    VLTestWidget::driver().typeKey(1, "a");
    widget->settle();
    EXPECT_FALSE(monitor->isWatchingMouse());
    EXPECT_FALSE(monitor->isCountingKeys());
    EXPECT_FALSE(VLInputMonitor::hasAskedForKeyAccess());
    EXPECT_EQ(VLWindowServer::shared()->keyTaps().accessRequestCount(), 0u);
    EXPECT_EQ(widget->evaluate(
                  "JSON.stringify([Velto.input.pointer, Velto.input.keyActivityAvailable, seen.length])"),
              "[null,false,0]");
}

TEST_F(VLInputJSBindingTest, WithThemTheMouseIsWatchedOnceThroughHandlerChanges) {
    VLLogCapture capture(VLLogLevelAll);
    VLWindowServer::shared()->driver().setListenAccess(VLWSListenAccess::Granted);
    auto widget = launch(R"(
        Velto.input.onmousemove = () => {};
        Velto.input.onmousemove = () => {};
        Velto.input.onkeyactivity = () => {};
    )",
                         true);
    widget->settle();
    EXPECT_TRUE(monitor->isWatchingMouse());
    EXPECT_TRUE(monitor->isCountingKeys());
    EXPECT_EQ(widget->evaluate("String(Velto.input.keyActivityAvailable)"), "true");
    EXPECT_EQ(widget->evaluate("Velto.input.onmousemove = () => {}; String(typeof Velto.input.pointer.x)"),
              "number");
    widget->settle();
    EXPECT_EQ(linesContaining(capture, "Started watching the mouse"), 1u);
    EXPECT_EQ(linesContaining(capture, "Stopped watching the mouse"), 0u);

    EXPECT_EQ(widget->evaluate("String(Velto.input.offmousemove())"), "undefined");
    widget->settle();
    EXPECT_FALSE(monitor->isWatchingMouse());
    EXPECT_EQ(widget->evaluate("try { Velto.input.offwheel.call({}); 'no' } catch (e) { String(e) }"),
              "TypeError: Illegal invocation");
}
