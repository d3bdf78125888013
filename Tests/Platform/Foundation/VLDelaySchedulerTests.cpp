#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"

#include <atomic>
#include <cmath>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <vector>

TEST(VLManualDelayScheduler, FiresInDeadlineOrderWithTheClockAtEachDeadline) {
    VLManualDelayScheduler scheduler;
    auto clock = scheduler.clock();
    std::vector<std::pair<std::string, uint64_t>> runs;
    auto record = [&](std::string name) {
        return [&, name] { runs.emplace_back(name, clock->nanoseconds()); };
    };

    scheduler.after(2.0, nullptr, record("b"));
    scheduler.after(1.0, nullptr, record("a1"));
    scheduler.after(1.0, nullptr, record("a2"));
    auto cancelled = scheduler.after(1.5, nullptr, record("cancelled"));
    // A block scheduled while firing joins the same advance when it falls due within it.
    scheduler.after(0.5, nullptr, [&] { scheduler.after(0.25, nullptr, record("nested")); });
    scheduler.after(9.0, nullptr, record("later"));
    cancelled->cancel();
    EXPECT_EQ((std::vector<double>{0.5, 1.0, 1.0, 2.0, 9.0}), scheduler.pendingDelays());

    scheduler.advance(3.0);
    using Run = std::pair<std::string, uint64_t>;
    EXPECT_EQ(
        (std::vector<Run>{
            {"nested", 750'000'000}, {"a1", 1'000'000'000}, {"a2", 1'000'000'000}, {"b", 2'000'000'000}}),
        runs);
    EXPECT_EQ(3'000'000'000u, clock->nanoseconds());
    EXPECT_EQ(1u, scheduler.pendingCount());

    // Nothing absurd moves the clock backwards or runs what is not due.
    scheduler.advance(-1);
    scheduler.advance(NAN);
    EXPECT_EQ(3'000'000'000u, clock->nanoseconds());
    EXPECT_EQ(4u, runs.size());
}

TEST(VLDelayScheduler, RunsOnTheMainQueueAndOnAQueueAndACancelledBlockNever) {
    auto& scheduler = VLDelayScheduler::system();
    std::atomic<int> onMain{0}, onQueue{0}, cancelledRuns{0};
    auto queue = VLDispatchQueue::create("app.velto.test.delay");
    // The queue is held until the blocks are called off: a busy machine may let their delay pass first,
    // and a block that has already run cannot be called off.
    std::promise<void> calledOff;
    queue->async([done = calledOff.get_future().share()] { done.wait(); });

    scheduler->after(0.001, nullptr, [&] { onMain += VLMainQueue::isCurrent() ? 1 : 100; });
    scheduler->after(0.001, queue, [&] { onQueue += queue->isCurrent() ? 1 : 100; });
    auto cancelledOnMain = scheduler->after(0.001, nullptr, [&] { ++cancelledRuns; });
    auto cancelledOnQueue = scheduler->after(0.001, queue, [&] { ++cancelledRuns; });
    cancelledOnMain->cancel();
    cancelledOnQueue->cancel();
    calledOff.set_value();
    // On each side a block that falls due later marks the end: each runs its delayed blocks in the order
    // they fall due, however late a busy machine lets them run.
    std::atomic<int> ends{0};
    scheduler->after(0.02, nullptr, [&] { ++ends; });
    scheduler->after(0.02, queue, [&] { ++ends; });

    EXPECT_TRUE(VLMainQueue::runUntil([&] { return ends.load() == 2; }));
    EXPECT_EQ(1, onMain.load());
    EXPECT_EQ(1, onQueue.load());
    EXPECT_EQ(0, cancelledRuns.load());
    EXPECT_TRUE(cancelledOnMain->isDone());
}
