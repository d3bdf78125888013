#include "Modules/System/VLSystemStatusJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLSystemStatusTestMonitor.h"
#include "Tests/Support/VLTestWidget.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <memory>
#include <string>

namespace {

// Each test has a window server of its own and a system-status monitor on manual time over the
// discharging laptop's files.
class VLSystemStatusJSBindingTest : public testing::Test {
protected:
    void SetUp() override {
        VLWindowServer::setShared(std::make_shared<VLWindowServer>());
        _test = std::make_unique<VLSystemStatusTestMonitor>(std::filesystem::path(VELTO_FIXTURES) /
                                                            "system-status/laptop-discharging");
        VLSystemStatusMonitor::setShared(_test->monitor());
    }
    void TearDown() override {
        VLSystemStatusMonitor::setShared(nullptr);
        _test.reset();
        VLWindowServer::setShared(nullptr);
    }

    VLSystemStatusTestMonitor& test() { return *_test; }

    // Starts the monitor with a read of its own, so that scripts' reads are answered at once.
    void startMonitor() {
        auto reading = std::async(std::launch::async, [this] { return _test->monitor()->read(); });
        ASSERT_TRUE(VLWaitUntil([this] { return _test->scheduler().pendingCount() > 0; }));
        _test->advance(0.15);
        ASSERT_TRUE(reading.get());
    }

    static std::unique_ptr<VLTestWidget> launch(const std::string& script) {
        return std::make_unique<VLTestWidget>(
            std::map<std::string, std::string>{{"index.js", script}},
            [](VLLocalPathLaunchPayload& payload) { payload.setAllowsSystemInformation(true); });
    }

    static std::string evaluate(VLTestWidget& widget, const std::string& expression) {
        return widget.evaluate(expression);
    }

    static std::shared_ptr<VLSystemStatusJSBinding> binding(VLTestWidget& widget) {
        std::shared_ptr<VLSystemStatusJSBinding> found;
        widget.inspect("Velto.systemStatus", [&found](JSContextRef ctx, JSValueRef value) {
            if (auto* instance = VLJSBindingGetObjectOfClass<VLSystemStatusJSBinding>(ctx, value))
                found = instance->sharedFromThis();
        });
        return found;
    }

    // A reading of the generation whose other fields a test sets.
    static std::shared_ptr<VLSystemStatusReading> reading(uint64_t generation) {
        auto made = std::make_shared<VLSystemStatusReading>();
        made->generation = generation;
        made->networkInterface = "wifi";
        made->online = true;
        return made;
    }

    static std::string log(VLTestWidget& widget) { return evaluate(widget, "log.splice(0).join()"); }

    // Lets the monitor's queue and then the script's thread run what they were handed.
    void settle(VLTestWidget& widget) {
        _test->settle();
        widget.settle();
    }

private:
    std::unique_ptr<VLSystemStatusTestMonitor> _test;
};

constexpr const char* kLoggingEvents = R"(
    globalThis.log = [];
    const status = Velto.systemStatus;
    for (const type of ['change', 'powerchange', 'thermalchange', 'networkchange', 'memorypressurechange'])
        status['on' + type] = () => log.push(type);
    status.addEventListener('change', () => log.push('listener'));
)";

} // namespace

TEST_F(VLSystemStatusJSBindingTest, ChangeComesFirstThenEachPartThatChangedInOrder) {
    startMonitor();
    std::unique_ptr<VLTestWidget> widget = launch(kLoggingEvents);
    ASSERT_TRUE(widget->runtime());
    std::shared_ptr<VLSystemStatusJSBinding> status = binding(*widget);
    ASSERT_TRUE(status);
    // Observing, it heard the monitor's latest reading at once.
    settle(*widget);
    EXPECT_EQ(log(*widget), "listener,change");
    EXPECT_EQ(
        evaluate(*widget, "globalThis.cpu = Velto.systemStatus.cpu; String(cpu === Velto.systemStatus.cpu)"),
        "true");

    auto changed = reading(100);
    changed->powerSource = "battery";
    changed->thermal = "serious";
    changed->networkInterface = std::nullopt;
    changed->memoryPressure = "critical";
    status->systemStatusMonitorDidRead(changed);
    widget->settle();
    EXPECT_EQ(log(*widget), "listener,change,powerchange,thermalchange,networkchange,memorypressurechange");
    EXPECT_EQ(evaluate(*widget, "String(cpu !== Velto.systemStatus.cpu)"), "true");

    const struct {
        const char* name;
        void (*change)(VLSystemStatusReading&);
        std::string log;
    } cases[] = {
        {"nothing but the counters", [](VLSystemStatusReading& r) { r.cpuUsage = 0.5; }, "listener,change"},
        {"charging", [](VLSystemStatusReading& r) { r.batteryCharging = true; },
         "listener,change,powerchange"},
        {"low-power mode", [](VLSystemStatusReading& r) { r.lowPowerMode = true; },
         "listener,change,powerchange"},
        {"expensive", [](VLSystemStatusReading& r) { r.expensive = true; }, "listener,change,networkchange"},
        {"pressure and thermal",
         [](VLSystemStatusReading& r) {
             r.memoryPressure = "warning";
             r.thermal = "fair";
         },
         "listener,change,thermalchange,memorypressurechange"},
    };
    uint64_t generation = 200;
    for (const auto& test : cases) {
        // Each case against a reading like the previous one.
        auto previous = reading(generation++), next = reading(generation++);
        test.change(*next);
        status->systemStatusMonitorDidRead(previous);
        widget->settle();
        log(*widget);
        status->systemStatusMonitorDidRead(next);
        widget->settle();
        EXPECT_EQ(log(*widget), test.log) << test.name;
    }

    // An older generation is dropped; two readings before the script's thread runs make one "change".
    status->systemStatusMonitorDidRead(reading(299));
    widget->settle();
    log(*widget);
    status->systemStatusMonitorDidRead(reading(150));
    widget->settle();
    EXPECT_EQ(log(*widget), "");
    std::promise<void> release;
    widget->performLater([held = release.get_future().share()] { held.wait(); });
    status->systemStatusMonitorDidRead(reading(300));
    status->systemStatusMonitorDidRead(reading(301));
    release.set_value();
    widget->settle();
    EXPECT_EQ(log(*widget), "listener,change");
    EXPECT_EQ(evaluate(*widget, "String(Velto.systemStatus.cpu.usage)"), "0");
}

TEST_F(VLSystemStatusJSBindingTest, SectionsAreFrozenPlainObjectsOfTheLatestReading) {
    startMonitor();
    std::unique_ptr<VLTestWidget> widget = launch("");
    ASSERT_TRUE(widget->runtime());
    EXPECT_EQ(evaluate(*widget, R"(const s = Velto.systemStatus;
        [JSON.stringify(s.power), Object.isFrozen(s.power.battery), s.thermal, s.temperature,
         Object.getPrototypeOf(s.memory) === Object.prototype, JSON.stringify(s.memory)].join('\n'))"),
              "{\"source\":\"battery\",\"battery\":{\"level\":0.76,\"charging\":false,\"full\":false,"
              "\"timeToEmpty\":120,\"timeToFull\":null},\"adapterWatts\":null,\"systemWatts\":12.5,"
              "\"lowPowerMode\":true}\ntrue\nnominal\n51.2\ntrue\n"
              "{\"total\":16384000000,\"used\":5063680000,\"app\":4608000000,\"wired\":430080000,"
              "\"compressed\":25600000,\"cached\":5939200000,\"swapUsed\":512000000,\"pressure\":\"warning\","
              "\"swapping\":false}");
}

TEST_F(VLSystemStatusJSBindingTest, ResumeTellsOfTheGapThatEndedWithItsLargestReason) {
    std::unique_ptr<VLTestWidget> widget = launch(R"(
        globalThis.log = [];
        Velto.systemStatus.onresume = e => log.push([e.reason, e.resumedAt >= e.suspendedAt,
                                                     Object.isFrozen(e), Object.keys(e).join(' ')].join(' '));
    )");
    ASSERT_TRUE(widget->runtime());
    VLRuntime& runtime = *widget->runtime();
    VLWSDriver& driver = VLTestWidget::driver();
    const std::string keys = " true true suspendedAt resumedAt reason";
    const struct {
        const char* name;
        std::function<void()> begin, end;
        std::string resumed;
    } cases[] = {
        {"paused", [&] { runtime.setSuspended(true); }, [&] { runtime.setSuspended(false); },
         "paused" + keys},
        {"the displays asleep",
         [&] {
             runtime.setSuspensionReason(1);
             runtime.setSuspended(true);
         },
         [&] {
             runtime.setSuspended(false);
             runtime.setSuspensionReason(0);
         },
         "displaysleep" + keys},
        {"the machine asleep", [&] { driver.sleep(); }, [&] { driver.wake(); }, "sleep" + keys},
        {"the displays, then the machine",
         [&] {
             runtime.setSuspensionReason(1);
             runtime.setSuspended(true);
             widget->settle();
             driver.sleep();
             widget->settle();
             driver.wake();
         },
         [&] {
             runtime.setSuspended(false);
             runtime.setSuspensionReason(0);
         },
         "sleep" + keys},
    };
    for (const auto& test : cases) {
        test.begin();
        widget->settle();
        EXPECT_EQ(log(*widget), "") << test.name;
        test.end();
        widget->settle();
        EXPECT_EQ(log(*widget), test.resumed) << test.name;
    }
    // "resume" alone never starts the monitor.
    EXPECT_FALSE(test().monitor()->isSampling());
    EXPECT_EQ(test().scheduler().pendingCount(), 0u);
}

TEST_F(VLSystemStatusJSBindingTest, HandlersReplacedOrReaddedWithinATurnKeepTheMonitorObserved) {
    VLLogCapture capture(VLLogFlagInfo);
    std::unique_ptr<VLTestWidget> widget = launch(R"(
        globalThis.log = [];
        globalThis.status = Velto.systemStatus;
        status.onchange = () => log.push('first');
    )");
    ASSERT_TRUE(widget->runtime());
    test().advance(0.15);
    widget->settle();
    EXPECT_EQ(log(*widget), "first");
    evaluate(*widget, "status.onchange = () => log.push('second'); "
                      "const l = () => log.push('listener'); status.addEventListener('change', l); "
                      "status.removeEventListener('change', l); status.addEventListener('change', l);");
    test().advance(1);
    widget->settle();
    EXPECT_EQ(log(*widget), "listener,second");
    // Without reading handlers it lets go of the monitor, which stops at its next tick.
    evaluate(*widget, "status.offchange(); status.removeEventListener('change', l)");
    test().advance(1);
    widget->settle();
    EXPECT_EQ(log(*widget), "");
    EXPECT_FALSE(test().monitor()->isSampling());
    VLLogFlush();
    std::vector<std::string> lines = capture.lines();
    std::erase_if(
        lines, [](const std::string& line) { return line.find("the system status") == std::string::npos; });
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "app.velto.engine/VLSystemStatusMonitor info: Reading the system status",
                         "app.velto.engine/VLSystemStatusMonitor info: Stopped reading the system status"}));
}

TEST_F(VLSystemStatusJSBindingTest, NothingIsDeliveredOnceTheRuntimeEnded) {
    startMonitor();
    std::unique_ptr<VLTestWidget> widget = launch(kLoggingEvents);
    ASSERT_TRUE(widget->runtime());
    std::shared_ptr<VLSystemStatusJSBinding> status = binding(*widget);
    settle(*widget);
    EXPECT_TRUE(status->systemStatusObserverIsLive());
    widget->runtime()->terminate();
    widget->settle();
    EXPECT_FALSE(status->systemStatusObserverIsLive());
    status->systemStatusMonitorDidRead(reading(500));
    settle(*widget);
    // The binding let go of the monitor at once: two seconds after the last read it stops.
    test().advance(2);
    EXPECT_FALSE(test().monitor()->isSampling());
}
