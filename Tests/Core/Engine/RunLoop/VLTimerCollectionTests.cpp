#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLTimerCollection.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A collection on a run-loop thread of its own. Everything the timers touch belongs to that thread and
// is read through onLoop().
class VLTimerCollectionTest : public testing::Test {
protected:
    void SetUp() override { makeCollection(nullptr); }
    void TearDown() override {
        onLoop([&] { timers.reset(); });
    }

    void makeCollection(VLTimerCollection::Clock clock) {
        onLoop([&] { timers = VLTimerCollection::create(runLoop->thread(), std::move(clock)); });
    }
    void onLoop(const std::function<void()>& block) { runLoop->performBlockSync(block); }
    template <typename Value>
    Value read(const Value& value) {
        Value copy;
        onLoop([&] { copy = value; });
        return copy;
    }
    bool waitOnLoop(const std::function<bool()>& condition) {
        return VLWaitUntil([&] {
            bool holds = false;
            onLoop([&] { holds = condition(); });
            return holds;
        });
    }
    // A timer outside the collection (so never throttled) that fires after the given delay; once it has
    // fired, every collection timer due earlier has had its fire.
    void waitPast(double seconds) {
        bool fired = false;
        std::shared_ptr<VLTimer> sentinel;
        onLoop([&] {
            sentinel = VLTimer::create(
                seconds, false, [&] { fired = true; }, nullptr);
            sentinel->startInRunloop(runLoop->thread()->context());
        });
        EXPECT_TRUE(waitOnLoop([&] { return fired; }));
        onLoop([&] { sentinel.reset(); });
    }
    int32_t add(double seconds, bool repeats, std::function<void()> block,
                std::vector<bool>* completions = nullptr) {
        int32_t identifier = 0;
        onLoop([&] {
            VLTimer::Completion completion;
            if (completions) {
                completion = [completions](bool finished) { completions->push_back(finished); };
            }
            identifier = timers->createTimerWithTimeInterval(seconds, repeats, std::move(block), completion);
        });
        return identifier;
    }

    std::shared_ptr<VLRunLoop> runLoop = VLRunLoop::create(VLRunLoopThread::create("app.velto.timers"));
    std::shared_ptr<VLTimerCollection> timers; // the loop's
};

} // namespace

TEST_F(VLTimerCollectionTest, IdentifiersCountFromOneAndInvalidationRefusesNewTimers) {
    std::vector<bool> completions;
    EXPECT_EQ(1, add(
                     60, false, [] {}, &completions));
    EXPECT_EQ(2, add(
                     60, true, [] {}, &completions));
    onLoop([&] {
        timers->cancelTimerWithIdentifier(1);
        timers->cancelTimerWithIdentifier(1);  // gone already
        timers->cancelTimerWithIdentifier(99); // never was
    });
    EXPECT_EQ(3, add(
                     60, false, [] {}, &completions));
    EXPECT_EQ(std::vector<bool>{false}, read(completions));

    onLoop([&] { timers->invalidate(); });
    EXPECT_EQ((std::vector<bool>{false, false, false}), read(completions));
    EXPECT_EQ(4, add(
                     0, false, [] { ADD_FAILURE() << "refused timers never run"; }, &completions));
    EXPECT_EQ((std::vector<bool>{false, false, false, false}), read(completions)); // at once, with NO
    EXPECT_FALSE(read(timers->hasTimerWithIdentifier(4)));
    EXPECT_EQ(5, add(0, false, [] {}));
}

TEST_F(VLTimerCollectionTest, EachWayOfEndingCallsTheCompletionOnce) {
    struct Case {
        std::string name;
        bool repeats;
        // Given the identifier after the timer ran `runs` times (or at once when it never runs).
        std::function<void(std::shared_ptr<VLTimerCollection>&, int32_t)> end;
        int runs;
        bool finished;
    } cases[] = {
        {"one-shot runs", false, nullptr, 1, true},
        {"one-shot cancelled", false, [](auto& timers, int32_t id) { timers->cancelTimerWithIdentifier(id); },
         0, false},
        {"repeating cancelled", true, [](auto& timers, int32_t id) { timers->cancelTimerWithIdentifier(id); },
         3, false},
        {"all cancelled", true, [](auto& timers, int32_t) { timers->cancelAllTimers(); }, 2, false},
        {"collection invalidated", true, [](auto& timers, int32_t) { timers->invalidate(); }, 2, false},
        {"collection released", true, [](auto& timers, int32_t) { timers.reset(); }, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        makeCollection(nullptr);
        int runs = 0;
        std::vector<bool> completions;
        int32_t identifier = 0;
        // The ending runs inside the timer's own block, the hardest place for it.
        identifier = add(
            c.runs == 0 ? 60 : 0.002, c.repeats,
            [&] {
                if (++runs == c.runs && c.end) {
                    c.end(timers, identifier);
                }
            },
            &completions);
        if (c.runs == 0) {
            onLoop([&] { c.end(timers, identifier); });
        }
        ASSERT_TRUE(waitOnLoop([&] { return !completions.empty(); }));
        waitPast(0.02);
        EXPECT_EQ(c.runs, read(runs));
        EXPECT_EQ(std::vector<bool>{c.finished}, read(completions));
        if (c.name != "collection released") {
            EXPECT_FALSE(read(timers->hasTimerWithIdentifier(identifier)));
        }
    }
}

TEST_F(VLTimerCollectionTest, SuspendedTimersDoNotRunUntilResumed) {
    int repeatingRuns = 0;
    int oneShotRuns = 0;
    std::vector<bool> completions;
    int32_t repeating = 0;
    int32_t oneShot = 0;
    // Made and suspended in one turn of the loop, so neither can fire first.
    onLoop([&] {
        repeating = add(0.002, true, [&] { ++repeatingRuns; });
        oneShot = add(
            0.002, false, [&] { ++oneShotRuns; }, &completions);
        timers->suspendAllTimers();
    });
    waitPast(0.03);
    EXPECT_EQ(0, read(repeatingRuns));
    EXPECT_EQ(0, read(oneShotRuns));

    onLoop([&] { timers->resumeTimerWithIdentifier(repeating); });
    EXPECT_TRUE(waitOnLoop([&] { return repeatingRuns >= 3; }));
    onLoop([&] { timers->suspendTimerWithIdentifier(repeating); });
    int runsWhenSuspended = read(repeatingRuns);
    waitPast(0.02);
    EXPECT_EQ(runsWhenSuspended, read(repeatingRuns));

    // The one-shot came due while suspended: it runs when resumed instead of being lost.
    onLoop([&] { timers->resumeAllTimers(); });
    EXPECT_TRUE(waitOnLoop([&] { return !completions.empty(); }));
    EXPECT_EQ(1, read(oneShotRuns));
    EXPECT_EQ(std::vector<bool>{true}, read(completions));
    EXPECT_FALSE(read(timers->hasTimerWithIdentifier(oneShot)));
    // The interval touches this test's locals: end it before they go.
    onLoop([&] { timers->cancelAllTimers(); });
}

TEST_F(VLTimerCollectionTest, ThrottledTimersShareOneBudgetAndThrottleZeroRunsTheWaiting) {
    double now = 100; // the loop's
    makeCollection([&now] { return now; });
    onLoop([&] { timers->setThrottleInterval(1); });
    std::vector<std::string> ran;
    std::vector<bool> completions;
    add(
        0.001, false, [&] { ran.push_back("a"); }, &completions);
    add(
        0.002, false, [&] { ran.push_back("b"); }, &completions);
    int32_t c = add(
        0.003, false, [&] { ran.push_back("c"); }, &completions);
    add(
        0.004, false, [&] { ran.push_back("d"); }, &completions);
    waitPast(0.03);
    // The clock stands still: only the first fire fits the budget; the others wait for a tick.
    EXPECT_EQ(std::vector<std::string>{"a"}, read(ran));

    onLoop([&] {
        timers->cancelTimerWithIdentifier(c);
        timers->setThrottleInterval(-5); // counts as 0: the waiting timers run now, in arrival order
        EXPECT_EQ((std::vector<std::string>{"a", "b", "d"}), ran);
        EXPECT_EQ(0, timers->throttleInterval());
    });
    EXPECT_EQ((std::vector<bool>{true, false, true, true}), read(completions));
}

TEST_F(VLTimerCollectionTest, AThrottleTickRunsTheWaitingTimers) {
    double now = 100; // the loop's
    makeCollection([&now] { return now; });
    onLoop([&] { timers->setThrottleInterval(1); });
    std::vector<std::string> ran;
    add(0.001, false, [&] {
        ran.push_back("first");
        now += 0.995; // the budget frees up 5 ms after the timers below come due
    });
    add(0.002, false, [&] { ran.push_back("second"); });
    add(0.002, false, [&] { ran.push_back("third"); });
    EXPECT_TRUE(waitOnLoop([&] { return ran.size() == 3; }));
    EXPECT_EQ((std::vector<std::string>{"first", "second", "third"}), read(ran));
}

TEST_F(VLTimerCollectionTest, AOneSecondThrottleHoldsFastIntervalsToAboutOneRunASecond) {
    onLoop([&] { timers->setThrottleInterval(1); });
    int first = 0;
    int second = 0;
    add(0.1, true, [&] { ++first; });
    add(0.1, true, [&] { ++second; });
    std::this_thread::sleep_for(2500ms); // unthrottled, each would run about 25 times
    int firstRuns = read(first);
    int secondRuns = read(second);
    EXPECT_GE(firstRuns, 1);
    EXPECT_LE(firstRuns, 4);
    EXPECT_GE(secondRuns, 1);
    EXPECT_LE(secondRuns, 4);
    // The intervals touch this test's locals: end them before they go.
    onLoop([&] { timers->cancelAllTimers(); });
}
