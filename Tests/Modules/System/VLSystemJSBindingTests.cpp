#include "Modules/System/VLSystemJSBinding.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/VLRuntime.h"
#include "Modules/System/VLSystemAppearance.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLTestWidget.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace {

// Each test has a window server and an appearance record of its own, made after the defaults are set.
class VLSystemJSBindingTest : public testing::Test {
protected:
    void SetUp() override { VLWindowServer::setShared(std::make_shared<VLWindowServer>()); }
    void TearDown() override {
        VLUserDefaults::standard().removeObjectForKey("AppleInterfaceStyle");
        VLSystemAppearance::setShared(nullptr);
        VLWindowServer::setShared(nullptr);
    }

    static void useAppearance(const char* style) {
        VLUserDefaults::standard().setObject("AppleInterfaceStyle", style ? VLValue(style) : VLValue());
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        VLSystemAppearance::setShared(VLSystemAppearance::make(VLWindowServer::shared()));
    }

    static std::unique_ptr<VLTestWidget> launch(const std::string& script) {
        return std::make_unique<VLTestWidget>(std::map<std::string, std::string>{{"index.js", script}});
    }
};

} // namespace

TEST_F(VLSystemJSBindingTest, TheAppearanceStartsFromTheDefaults) {
    for (const char* style : {"Dark", "Light", static_cast<const char*>(nullptr)}) {
        useAppearance(style);
        auto widget = launch("");
        EXPECT_EQ(widget->evaluate("Velto.system.appearance"),
                  style && std::string(style) == "Dark" ? "dark" : "light")
            << (style ? style : "none");
    }
}

TEST_F(VLSystemJSBindingTest, EachBindingFiresEverySwitchOnce) {
    useAppearance(nullptr);
    auto widget = launch(R"(
        var seen = [];
        var other = new VeltoRuntime.System();
        Velto.system.onappearancechange = (event) => seen.push('a:' + event.appearance + Velto.system.appearance);
        other.addEventListener('appearancechange', (event) => seen.push('b:' + event.appearance));
    )");
    widget->settle();
    VLTestWidget::driver().setAppearance(VLWSAppearance::Name::DarkAqua);
    widget->settle();
    VLTestWidget::driver().setAppearance(VLWSAppearance::Name::Aqua);
    widget->settle();
    EXPECT_EQ(widget->evaluate("seen.join()"), "a:darkdark,b:dark,a:lightlight,b:light");
}

TEST_F(VLSystemJSBindingTest, WithoutAnApplicationTheAppearanceIsNotObservedAndSaysSo) {
    VLLogCapture capture(VLLogLevelAll);
    auto record = VLSystemAppearance::make(nullptr);
    VLLogFlush();
    bool said = false;
    for (const std::string& line : capture.lines())
        said |= line.find("NSApp does not exist, appearance changes are not observed") != std::string::npos;
    EXPECT_TRUE(said);
    EXPECT_EQ(record->appearance(), "light");
}

TEST_F(VLSystemJSBindingTest, TriggerGCAnswersUndefinedAndAsksOncePerCall) {
    useAppearance(nullptr);
    auto widget = launch("");
    int posted = 0;
    auto observer = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeNeedsGarbageCollectionNotification, widget->runtime().get(),
        [&](const VLNotification&) { ++posted; });
    EXPECT_EQ(widget->evaluate("String([Velto.system.triggerGC(), Velto.system.triggerGC()])"), ",");
    EXPECT_EQ(posted, 2);
}

TEST_F(VLSystemJSBindingTest, ParameterUpdatesReachTheHandler) {
    useAppearance(nullptr);
    auto widget = launch(R"(
        var updates = [];
        Velto.system.onparameterschange = (update) => updates.push(JSON.stringify(update));
    )");
    std::optional<bool> answer;
    widget->runtime()->updateParameters(VLDictionary{{"unit", "F"}}, [&](bool updated) { answer = updated; });
    VLMainQueue::runUntil([&] { return answer.has_value(); });
    EXPECT_EQ(answer, true);
    EXPECT_EQ(widget->evaluate("updates.join()"), R"({"parameters":{"unit":"F"},"changed":["unit"]})");
}
