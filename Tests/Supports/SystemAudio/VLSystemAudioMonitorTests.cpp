#include "Supports/SystemAudio/VLSystemAudioMonitor.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Launcher/Services/VLSystemAudioMonitorContract.h"
#include "Core/Launcher/Services/VLSystemAudioSource.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualClock.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLUserDefaults.h"
#include "Supports/SystemAudio/VLSystemAudioObserver.h"
#include "Tests/Support/VLLogCapture.h"
#include "Tests/Supports/SystemAudio/VLFakeSystemAudioBackend.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>
#include <vector>

namespace {

constexpr pid_t kOtherPlayer = 4242;
constexpr double kStart = 1000;

class ActivityObserver final : public VLSystemAudioObserver {
public:
    void systemAudioMonitorActiveDidChange(bool active) override {
        std::lock_guard lock(_lock);
        _told.push_back(active);
    }
    bool systemAudioObserverIsLive() override { return live; }
    std::vector<bool> told() {
        std::lock_guard lock(_lock);
        return _told;
    }

    std::atomic<bool> live{true};

private:
    std::mutex _lock;
    std::vector<bool> _told;
};

class RecordingSource final : public VLSystemAudioSource {
public:
    void systemAudioWantedDidChange(bool wanted, bool mayAsk) override {
        std::lock_guard lock(_lock);
        _told.emplace_back(wanted, mayAsk);
    }
    void systemAudioAccessShouldBeRechecked() override { ++rechecks; }
    std::vector<std::pair<bool, bool>> told() {
        std::lock_guard lock(_lock);
        return _told;
    }

    std::atomic<int> rechecks{0};

private:
    std::mutex _lock;
    std::vector<std::pair<bool, bool>> _told;
};

// A monitor on a fake server and manual time, at 1000 s; "build-1" is this build's code requirement.
class SystemAudioMonitorTest : public testing::Test {
protected:
    SystemAudioMonitorTest() {
        scheduler->clock()->setNanoseconds(uint64_t(kStart * 1e9));
        monitor = VLSystemAudioMonitor::create({backend, scheduler->clock(), scheduler, defaults, "build-1"});
    }

    double now() const { return scheduler->clock()->seconds(); }
    // Moves time on tick by tick, letting the queue run what each brings, and handing in what plays.
    void advance(double seconds) {
        monitor->flush();
        const double end = now() + seconds;
        while (now() < end - 1e-9) {
            scheduler->advance(std::min(0.25, end - now()));
            monitor->flush();
            if (heard)
                backend->feed(*heard);
        }
    }
    // Watches with a live observer that may ask, while another program plays; returns when capturing.
    std::shared_ptr<ActivityObserver> captureWhileOthersPlay(bool mayAsk = true) {
        auto observer = std::make_shared<ActivityObserver>();
        monitor->addObserver(observer, mayAsk);
        monitor->flush();
        backend->setPlaying(kOtherPlayer, true);
        monitor->flush();
        return observer;
    }
    void rememberCapturedSound() {
        defaults->setObject("VLSystemAudioMonitorCapturedSoundRequirement", "build-1");
    }

    std::shared_ptr<VLManualDelayScheduler> scheduler = std::make_shared<VLManualDelayScheduler>();
    std::shared_ptr<VLFakeSystemAudioBackend> backend = std::make_shared<VLFakeSystemAudioBackend>();
    std::shared_ptr<VLUserDefaults> defaults = std::make_shared<VLUserDefaults>();
    std::shared_ptr<VLSystemAudioMonitor> monitor;
    std::optional<float> heard; // what the capture gets at each tick; nothing: no samples at all
};

// Runs what the main queue holds so far.
void drainMainQueue() {
    bool drained = false;
    VLMainQueue::async([&] { drained = true; });
    ASSERT_TRUE(VLMainQueue::runUntil([&] { return drained; }));
}

} // namespace

TEST_F(SystemAudioMonitorTest, AReadKeepsAudioWantedForLessThanTwoSeconds) {
    rememberCapturedSound();
    backend->setPlaying(kOtherPlayer, true);
    monitor->noteReadMayAsk(false);
    monitor->flush();
    EXPECT_TRUE(monitor->isWatching());
    EXPECT_TRUE(monitor->isCapturing()) << "a build that captured before needs no asking reader";
    advance(1.75);
    EXPECT_TRUE(monitor->isCapturing());
    advance(0.25); // the tick 2.0 s after the read
    EXPECT_FALSE(monitor->isCapturing());
    EXPECT_FALSE(monitor->isWatching());
    EXPECT_FALSE(backend->watching());

    monitor->noteReadMayAsk(false);
    advance(0.1);
    monitor->noteReadMayAsk(false);
    advance(1.9); // the tick 1.9 s after the second read
    EXPECT_TRUE(monitor->isCapturing());
    advance(0.25);
    EXPECT_FALSE(monitor->isWatching());
}

TEST_F(SystemAudioMonitorTest, CaptureGoesOnForThreeSecondsAfterOthersStop) {
    auto observer = captureWhileOthersPlay();
    ASSERT_TRUE(monitor->isCapturing());
    EXPECT_TRUE(backend->excluded().contains(getpid()));
    backend->setPlaying(kOtherPlayer, false);
    advance(2.75);
    EXPECT_TRUE(monitor->isCapturing());
    advance(0.25);
    EXPECT_FALSE(monitor->isCapturing());
    EXPECT_TRUE(monitor->isWatching()) << "still wanted by the observer";
}

TEST_F(SystemAudioMonitorTest, OnlyAReaderThatMayAskStartsTheFirstCapture) {
    auto observer = captureWhileOthersPlay(false);
    advance(1);
    EXPECT_TRUE(monitor->isWatching());
    EXPECT_EQ(backend->starts(), 0);
    monitor->noteReadMayAsk(true);
    advance(0.25);
    EXPECT_TRUE(monitor->isCapturing());
}

TEST_F(SystemAudioMonitorTest, OnlySilenceWhileOthersPlaySeemsDeniedOnceUntilSoundComes) {
    drainMainQueue(); // what other monitors posted
    int notifications = 0;
    auto token = VLNotificationCenter::defaultCenter().addObserver(
        VLManagerSystemAudioAccessDidChangeNotification, nullptr,
        [&](const VLNotification&) { ++notifications; });
    auto observer = captureWhileOthersPlay();
    heard = 0.0f;
    advance(3);
    EXPECT_FALSE(monitor->seemsDenied()) << "3 s is not yet more than 3 s";
    advance(0.25);
    EXPECT_TRUE(monitor->seemsDenied());
    advance(2);
    drainMainQueue();
    EXPECT_EQ(notifications, 1);

    heard = 0.5f;
    advance(0.5); // heard after one tick, seen at the next
    EXPECT_FALSE(monitor->seemsDenied());
    drainMainQueue();
    EXPECT_EQ(notifications, 2);
    EXPECT_TRUE(monitor->hasCapturedSound()) << "this build is remembered";
    EXPECT_TRUE(monitor->isActive());
    EXPECT_EQ(observer->told(), (std::vector<bool>{false, true}));
    heard = 0.0f;
    advance(1);
    EXPECT_FALSE(monitor->isActive()) << "a second after the last sound";
}

TEST_F(SystemAudioMonitorTest, ADeniedCaptureRestartsAfter10Then20Then40ThenEvery80Seconds) {
    auto observer = captureWhileOthersPlay();
    std::vector<double> restarts;
    int starts = backend->starts();
    double last = now();
    while (restarts.size() < 6) {
        advance(0.25);
        if (backend->starts() != starts) {
            starts = backend->starts();
            restarts.push_back(now() - last);
            last = now();
        }
    }
    // Each restart comes at the first tick past the interval.
    const std::vector<double> expected{10.25, 20.25, 40.25, 80.25, 80.25, 80.25};
    for (size_t index = 0; index < expected.size(); ++index)
        EXPECT_NEAR(restarts[index], expected[index], 1e-6) << index;
    EXPECT_TRUE(monitor->seemsDenied());
}

TEST_F(SystemAudioMonitorTest, ARecheckOfAYoungDeniedCaptureWaitsUntilItIsThreeSecondsOld) {
    VLLogCapture log(VLLogFlagInfo | VLLogFlagDefault);
    auto observer = captureWhileOthersPlay();
    advance(10.25); // denied, and restarted a first time
    ASSERT_EQ(backend->starts(), 2);
    advance(1);
    monitor->recheckAccess();
    advance(1.75);
    EXPECT_EQ(backend->starts(), 2);
    advance(0.25);
    EXPECT_EQ(backend->starts(), 3) << "3 s old";
    advance(10);
    EXPECT_EQ(backend->starts(), 3) << "once, then the back-off from 10 s again";
    VLLogFlush();
    const std::vector<std::string> lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) {
                                return line.find("Checking System Audio Recording again") !=
                                       std::string::npos;
                            }),
              1);
}

TEST_F(SystemAudioMonitorTest, AFailedStartWaitsTenSecondsAndARateChangeRestarts) {
    VLLogCapture log(VLLogFlagDefault);
    backend->setFailure({-2, VLSystemAudioCaptureBackend::Step::Tap});
    auto observer = captureWhileOthersPlay();
    EXPECT_FALSE(monitor->isCapturing());
    backend->setFailure({});
    advance(10);
    EXPECT_EQ(backend->starts(), 1);
    advance(0.25);
    EXPECT_EQ(backend->starts(), 2);
    EXPECT_TRUE(monitor->isCapturing());
    backend->setRate(44100);
    advance(0.25);
    EXPECT_EQ(backend->starts(), 3);
    VLLogFlush();
    const std::vector<std::string> lines = log.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("Can't make the process tap: -2") != std::string::npos;
    }));
}

TEST_F(SystemAudioMonitorTest, TheSourceHearsWhatIsWantedAndFramesOfOtherLengthsOnlyBringActivity) {
    auto source = std::make_shared<RecordingSource>();
    monitor->setSource(source);
    monitor->noteReadMayAsk(true);
    monitor->flush();
    EXPECT_EQ(source->told(), (std::vector<std::pair<bool, bool>>{{true, true}}));
    EXPECT_FALSE(backend->watching()) << "the host captures";

    VLSystemAudioSnapshot snapshot;
    snapshot.bands[3] = 0.5f;
    const VLData frame = VLSystemAudioFrameFromSnapshot(snapshot);
    monitor->receiveFrame(frame, std::nullopt, false, false);
    monitor->receiveFrame(VLData(515, 9), VLData(515, 9), true, true);
    monitor->flush();
    EXPECT_EQ(monitor->currentFrame(), frame);
    EXPECT_FALSE(monitor->readRestrictedSnapshot(snapshot));
    EXPECT_TRUE(monitor->isActive());
    EXPECT_TRUE(monitor->seemsDenied());

    monitor->recheckAccess();
    EXPECT_EQ(source->rechecks, 1) << "at once, on the caller's thread";
    advance(2);
    EXPECT_EQ(source->told(), (std::vector<std::pair<bool, bool>>{{true, true}, {false, false}}));
    EXPECT_FALSE(monitor->isActive()) << "nobody wants it any more";

    monitor->setSource(std::make_shared<RecordingSource>());
    monitor->flush();
    EXPECT_EQ(monitor->currentFrame(), frame) << "kept until the new source's first frame";
    monitor->setSource(nullptr);
    monitor->flush();
    EXPECT_EQ(monitor->currentFrame(), VLData(516, 0));
}
