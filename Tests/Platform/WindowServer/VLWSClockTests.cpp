#include "Platform/WindowServer/VLWSClock.h"
#include "Tests/Support/VLWindowServerTest.h"

#include "Platform/Foundation/VLMainQueue.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

using VLWSClockTest = VLWindowServerTest;

TEST_F(VLWSClockTest, ManualTimeFiresInDeadlineOrderRepeatsAndCancelsByKey) {
    VLWSClock& clock = server().clock();
    std::vector<std::pair<std::string, double>> fired;
    auto record = [&](std::string name) { fired.emplace_back(std::move(name), clock.now()); };
    int keyA = 0, keyB = 0;

    clock.scheduleTimer(0.6, false, [&](VLWSTimer&) { record("once"); });
    int beats = 0;
    auto repeating = clock.scheduleTimer(0.25, true, [&](VLWSTimer& timer) {
        record("beat");
        if (++beats == 3)
            timer.invalidate();
    });
    clock.perform(&keyA, "show", 0.5, [&] { record("a.show"); });
    clock.perform(&keyA, "hide", 0.5, [&] { record("a.hide"); });
    clock.perform(&keyA, "show", 0.7, [&] { record("a.show later"); });
    clock.perform(&keyB, "show", 0.1, [&] { record("b.show"); });
    clock.cancelPerforms(&keyA, "show");
    EXPECT_EQ(2u, clock.pendingPerformCount());

    EXPECT_TRUE(clock.advance(1.0));
    using Fire = std::pair<std::string, double>;
    EXPECT_EQ(
        (std::vector<Fire>{
            {"b.show", 0.1}, {"beat", 0.25}, {"a.hide", 0.5}, {"beat", 0.5}, {"once", 0.6}, {"beat", 0.75}}),
        fired);
    EXPECT_FALSE(repeating->isValid());
    EXPECT_EQ(0u, clock.pendingPerformCount());
    EXPECT_DOUBLE_EQ(1.0, clock.now());

    // Cancelling by target alone takes every selector; what fires later never ran.
    clock.perform(&keyA, "show", 0.1, [&] { record("late show"); });
    clock.perform(&keyA, "hide", 0.1, [&] { record("late hide"); });
    clock.cancelPerforms(&keyA);
    clock.advance(1.0);
    EXPECT_EQ(6u, fired.size());
}

TEST_F(VLWSClockTest, AnIntervalOfNothingIsTheFloorNotALoop) {
    VLWSClock& clock = server().clock();
    int zero = 0, nan = 0;
    auto a = clock.scheduleTimer(0, true, [&](VLWSTimer&) { ++zero; });
    auto b = clock.scheduleTimer(NAN, true, [&](VLWSTimer&) { ++nan; });
    EXPECT_DOUBLE_EQ(0.0001, a->interval());
    clock.advance(0.001);
    EXPECT_EQ(10, zero);
    EXPECT_EQ(10, nan);
    a->invalidate();
    b->invalidate();
}

TEST(VLWSClock, RealTimeRunsTimersOnTheMainQueueAndCannotBeAdvanced) {
    VLWSClock clock;
    EXPECT_FALSE(clock.advance(1.0));
    bool fired = false, performed = false;
    clock.scheduleTimer(0.001, false, [&](VLWSTimer&) { fired = VLMainQueue::isCurrent(); });
    clock.perform(&clock, "later", 0.001, [&] { performed = VLMainQueue::isCurrent(); });
    EXPECT_TRUE(VLMainQueue::runUntil([&] { return fired && performed; }));
}
