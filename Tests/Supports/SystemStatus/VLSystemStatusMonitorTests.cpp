#include "Supports/SystemStatus/VLSystemStatusMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/WindowServer/VLWSDriver.h"
#include "Platform/WindowServer/VLWindowServer.h"
#include "Supports/SystemStatus/VLSystemStatusObserver.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Support/VLSystemStatusTestMonitor.h"
#include "Tests/Support/VLWaitUntil.h"
#include "Tests/Supports/SystemStatus/VLSystemStatusFixtures.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Keeps the generations it is told, on the monitor's queue.
class Observer final : public VLSystemStatusObserver {
public:
    void systemStatusMonitorDidRead(const std::shared_ptr<const VLSystemStatusReading>& reading) override {
        std::lock_guard lock(_lock);
        _generations.push_back(reading->generation);
    }
    bool systemStatusObserverIsLive() override { return live; }

    std::vector<uint64_t> generations() {
        std::lock_guard lock(_lock);
        return _generations;
    }

    std::atomic<bool> live{true};

private:
    std::mutex _lock;
    std::vector<uint64_t> _generations;
};

// A read on another thread, which waits for the monitor's start.
std::future<std::shared_ptr<const VLSystemStatusReading>> readAside(VLSystemStatusTestMonitor& test) {
    auto reading = std::async(std::launch::async, [&] { return test.monitor()->read(); });
    EXPECT_TRUE(VLWaitUntil([&] { return test.scheduler().pendingCount() > 0; }));
    test.settle();
    return reading;
}

std::string wlanBytes(uint64_t received) {
    return std::to_string(received) + "\n";
}

const std::string kStarted = "app.velto.engine/VLSystemStatusMonitor info: Reading the system status";
const std::string kStopped = "app.velto.engine/VLSystemStatusMonitor info: Stopped reading the system status";

} // namespace

TEST(VLSystemStatusMonitor, TheFirstReadWaitsForABaseline150MillisecondsBeforeItsReading) {
    VLSystemStatusTestMonitor test(VLSystemStatusFixture());
    auto future = readAside(test);
    EXPECT_EQ(test.scheduler().pendingDelays(), std::vector<double>({0.15}));
    // What the counters gain after the baseline is the first reading's.
    test.write("sys/class/net/wlan0/statistics/rx_bytes", wlanBytes(1000000 + 1500));
    test.write("proc/stat", "cpu0 1001 0 500 4001 100 0 25 0 0 0\ncpu1 1000 0 500 4000 100 0 25 0 0 0\n"
                            "cpu2 1000 0 500 4000 100 0 25 0 0 0\ncpu3 1001 0 500 4001 100 0 25 0 0 0\n");
    test.advance(0.14);
    EXPECT_EQ(future.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    test.advance(0.01);
    std::shared_ptr<const VLSystemStatusReading> reading = future.get();
    ASSERT_TRUE(reading);
    EXPECT_EQ(reading->generation, 1u);
    EXPECT_NEAR(reading->receivedPerSecond, 10000, 1e-6);
    EXPECT_EQ(reading->cpuUsage, 0.5);
    EXPECT_TRUE(reading->online);
    EXPECT_EQ(reading->networkInterface, "wifi");
    EXPECT_EQ(reading->bootTime, 1700000040000.0);
    EXPECT_TRUE(test.monitor()->isSampling());
    // Sampling, a read answers the latest reading at once.
    EXPECT_EQ(test.monitor()->read(), reading);
}

TEST(VLSystemStatusMonitor, ReadsKeepItSamplingUntilTwoSecondsPassWithoutOne) {
    VLLogCapture capture(VLLogFlagInfo);
    VLSystemStatusTestMonitor test(VLSystemStatusFixture());
    auto future = readAside(test);
    test.advance(0.15);
    EXPECT_EQ(future.get()->generation, 1u);
    for (int second = 0; second < 3; ++second) {
        test.advance(1);
        EXPECT_TRUE(test.monitor()->isSampling());
        EXPECT_EQ(test.monitor()->read()->generation, uint64_t(2 + second));
    }
    // The last read was at the third tick: the fourth still reads, the fifth stops.
    test.advance(1);
    EXPECT_TRUE(test.monitor()->isSampling());
    test.advance(1);
    EXPECT_FALSE(test.monitor()->isSampling());
    EXPECT_EQ(test.scheduler().pendingCount(), 0u);
    VLLogFlush();
    std::vector<std::string> lines = capture.lines();
    std::erase_if(
        lines, [](const std::string& line) { return line.find("the system status") == std::string::npos; });
    EXPECT_EQ(lines, std::vector<std::string>({kStarted, kStopped}));

    // A restart takes a new baseline, so what came while stopped is not in its rates; generations go on.
    test.write("sys/class/net/wlan0/statistics/rx_bytes", wlanBytes(5000000));
    future = readAside(test);
    test.write("sys/class/net/wlan0/statistics/rx_bytes", wlanBytes(5000000 + 300));
    test.advance(0.15);
    std::shared_ptr<const VLSystemStatusReading> reading = future.get();
    EXPECT_EQ(reading->generation, 6u);
    EXPECT_NEAR(reading->receivedPerSecond, 2000, 1e-6);
    EXPECT_EQ(reading->received, 1000000u + 4000000u + 300u);
}

TEST(VLSystemStatusMonitor, ChangesWithin100MillisecondsBringOneExtraReading) {
    VLSystemStatusTestMonitor test(VLSystemStatusFixture());
    auto observer = std::make_shared<Observer>();
    test.monitor()->addObserver(observer);
    test.advance(0.15);
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1}));
    for (const char* interface : {"ethernet", "other", "cellular"})
        test.setPath({true, interface, false});
    // The same path again is no change.
    test.setPath({true, "cellular", false});
    test.advance(0.5);
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1, 2}));
    test.advance(0.5);
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1, 2, 3}));

    // An observer that is not live keeps nothing sampling, and hears nothing.
    observer->live = false;
    test.advance(1);
    EXPECT_FALSE(test.monitor()->isSampling());
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1, 2, 3}));
    // Added again while stopped, it starts the monitor; added while sampling, it hears the latest at once.
    observer->live = true;
    test.monitor()->addObserver(observer);
    test.advance(0.15);
    auto late = std::make_shared<Observer>();
    test.monitor()->addObserver(late);
    test.settle();
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1, 2, 3, 4}));
    EXPECT_EQ(late->generations(), std::vector<uint64_t>({4}));
    test.monitor()->removeObserver(late);
    test.advance(1);
    EXPECT_EQ(late->generations(), std::vector<uint64_t>({4}));
    EXPECT_EQ(observer->generations(), std::vector<uint64_t>({1, 2, 3, 4, 5}));
}

TEST(VLSystemStatusMonitor, TheWaitForTheNetworkPathEndsBy250Milliseconds) {
    VLSystemStatusTestMonitor test(VLSystemStatusFixture(), nullptr, false);
    auto future = readAside(test);
    test.advance(0.24);
    EXPECT_EQ(future.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    test.advance(0.01);
    std::shared_ptr<const VLSystemStatusReading> reading = future.get();
    EXPECT_FALSE(reading->online);
    EXPECT_EQ(reading->networkInterface, std::nullopt);
    // A path that comes late is in the next reading.
    test.setPath({true, "ethernet", false});
    test.advance(1);
    EXPECT_EQ(test.monitor()->read()->networkInterface, "ethernet");
}

TEST(VLSystemStatusMonitor, SleepThenWakePostsTwiceAndASecondSleepNothing) {
    auto server = std::make_shared<VLWindowServer>();
    VLSystemStatusTestMonitor test(VLSystemStatusFixture());
    int posted = 0;
    auto token = VLNotificationCenter::defaultCenter().addObserver(
        VLSystemStatusSystemSleepDidChangeNotification, test.monitor().get(),
        [&](const VLNotification&) { ++posted; });
    server->driver().sleep();
    EXPECT_TRUE(test.monitor()->isSystemAsleep());
    server->driver().wake();
    EXPECT_FALSE(test.monitor()->isSystemAsleep());
    EXPECT_EQ(posted, 2);
    server->driver().sleep();
    server->driver().sleep();
    EXPECT_EQ(posted, 3);
    EXPECT_TRUE(test.monitor()->isSystemAsleep());
    server->driver().wake();
}
