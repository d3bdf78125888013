#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLUptime.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <future>
#include <latch>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::shared_ptr<VLRunLoop> makeRunLoop(std::string name = "app.velto.test") {
    return VLRunLoop::create(VLRunLoopThread::create(std::move(name)));
}

// True once the started thread sleeps in its poll, waiting for work.
bool isIdle(const VLRunLoopThread& thread) {
    return thread.threadIdentifier() != 0 && VLWaitUntil([&] { return thread.busySince() == 0; });
}

} // namespace

TEST(VLRunLoop, RunsBlocksInlineOnItsThreadAndInPostingOrderFromOthers) {
    auto runLoop = makeRunLoop();
    std::latch release(1);
    runLoop->performBlock([&] { release.wait(); });
    // The loop is held up, so these can only queue: performBlock must not wait for them.
    std::vector<int> order; // the loop's
    for (int index = 0; index < 200; ++index) {
        runLoop->performBlock([&order, index] { order.push_back(index); });
    }
    VLExecuteOnThread(runLoop->thread(), [&order] { order.push_back(200); });
    release.count_down();

    std::vector<int> seen;
    bool ranInline = false;
    bool executedInline = false;
    runLoop->performBlockSync([&] {
        seen = order;
        runLoop->performBlock([&] { ranInline = true; });
        VLExecuteOnThread(runLoop->thread(), [&] { executedInline = true; });
        EXPECT_TRUE(ranInline);
        EXPECT_TRUE(executedInline);
        runLoop->performBlockSync([&] { seen.push_back(-1); }); // inline: waiting here would never end
    });
    ASSERT_EQ(202u, seen.size());
    for (int index = 0; index <= 200; ++index) {
        EXPECT_EQ(index, seen[index]);
    }
    EXPECT_EQ(-1, seen.back());
}

TEST(VLRunLoop, SyncPostsWaitForTheBlockFromManyThreads) {
    auto runLoop = makeRunLoop();
    int counter = 0; // the loop's
    std::vector<std::thread> posters;
    for (int poster = 0; poster < 4; ++poster) {
        posters.emplace_back([&] {
            for (int index = 0; index < 100; ++index) {
                int before = -1;
                int after = -1;
                runLoop->performBlockSync([&] {
                    before = counter;
                    after = ++counter;
                });
                EXPECT_EQ(before + 1, after); // set by the block before the call returned
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    int total = 0;
    runLoop->performBlockSync([&] { total = counter; });
    EXPECT_EQ(400, total);
}

TEST(VLRunLoop, ReleasingTheLastReferenceRunsQueuedWorkThenEndsTheThread) {
    auto runLoop = makeRunLoop();
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    std::vector<int> ran; // the loop's until it ends
    runLoop->performBlock([&] {
        std::this_thread::sleep_for(20ms);
        ran.push_back(1);
    });
    runLoop->performBlock([&] { ran.push_back(2); });
    runLoop.reset();

    ASSERT_TRUE(thread->waitUntilFinished(20s));
    EXPECT_EQ((std::vector<int>{1, 2}), ran);
    EXPECT_TRUE(thread->isCancelled());
    EXPECT_EQ(0u, thread->busySince());

    // A loop over the ended thread is not running: work is dropped and nothing waits.
    auto again = VLRunLoop::create(thread);
    EXPECT_FALSE(again->isRunning());
    bool ranLate = false;
    again->performBlock([&] { ranLate = true; });
    again->performBlockSync([&] { ranLate = true; });
    VLExecuteOnThread(thread, [&] { ranLate = true; });
    EXPECT_FALSE(ranLate);
    EXPECT_FALSE(thread->post([] {}));
}

TEST(VLRunLoop, ReleasedOnItsOwnThreadItStopsAfterTheRunningBlockWithoutJoiningItself) {
    auto runLoop = makeRunLoop();
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    VLRunLoop* loop = runLoop.get();
    std::latch release(1);
    loop->performBlock([&release, last = std::move(runLoop)]() mutable {
        release.wait();
        last.reset();
    });
    // Queued behind the release: dropped when the thread stops, and the waiter is let go.
    std::atomic<bool> ranAfter = false;
    auto waiter = std::async(std::launch::async, [&] {
        auto again = VLRunLoop::create(thread);
        again->performBlockSync([&] { ranAfter = true; });
    });
    std::this_thread::sleep_for(20ms); // lets the waiter queue its block first (either order is sound)
    release.count_down();

    EXPECT_EQ(std::future_status::ready, waiter.wait_for(20s));
    ASSERT_TRUE(thread->waitUntilFinished(20s));
    EXPECT_FALSE(ranAfter);
}

TEST(VLRunLoop, KnowsItsThreadsIdentityAndNames) {
    auto runLoop = makeRunLoop("app.velto.jsengine");
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    uint64_t identifier = thread->threadIdentifier(); // waits for the start
    EXPECT_NE(0u, identifier);
    EXPECT_NE(uint64_t(gettid()), identifier);
    EXPECT_EQ(identifier, thread->threadIdentifier());
    EXPECT_TRUE(thread->cpuTimeClock().has_value());
    EXPECT_EQ("app.velto.jsengine", thread->systemName());
    EXPECT_EQ(nullptr, VLRunLoopThread::current());
    EXPECT_FALSE(runLoop->isCurrent());

    runLoop->performBlockSync([&] {
        EXPECT_EQ(identifier, uint64_t(gettid()));
        EXPECT_EQ(thread, VLRunLoopThread::current());
        EXPECT_TRUE(runLoop->isCurrent());
        EXPECT_EQ(thread->context(), g_main_context_get_thread_default());
        timespec cpu{};
        EXPECT_EQ(0, clock_gettime(*thread->cpuTimeClock(), &cpu));
        char systemName[16] = {};
        pthread_getname_np(pthread_self(), systemName, sizeof systemName);
        EXPECT_STREQ("app.velto.jseng", systemName);
    });

    const std::string fourByteCharacter = "\U0001F600";
    struct Case {
        std::string name;
        std::string logical;
        std::string system;
    } cases[] = {
        {std::string(70, 'a'), std::string(63, 'a'), std::string(15, 'a')},
        {std::string(62, 'b') + fourByteCharacter, std::string(62, 'b'), std::string(15, 'b')},
        {"Velto JS: Clock", "Velto JS: Clock", "Velto JS: Clock"},
        {"Velto JS: \u00e9\u00e9\u00e9", "Velto JS: \u00e9\u00e9\u00e9", "Velto JS: \u00e9\u00e9"},
    };
    for (const Case& c : cases) {
        runLoop->performBlockSync([&] {
            thread->updateThreadName(c.name);
            char systemName[16] = {};
            pthread_getname_np(pthread_self(), systemName, sizeof systemName);
            EXPECT_EQ(c.system, systemName) << c.name;
        });
        EXPECT_EQ(c.logical, thread->systemName()) << c.name;
    }
    thread->updateThreadName("not from here");
    EXPECT_EQ("Velto JS: \u00e9\u00e9\u00e9", thread->systemName());

    // A thread that never starts: the identifier is 0 after at most a second.
    EXPECT_EQ(0u, VLRunLoopThread::create("app.velto.idle")->threadIdentifier());
}

TEST(VLRunLoop, CountsWakeUpsNotBlocksAndMeasuresBusyTime) {
    auto runLoop = makeRunLoop();
    VLRunLoopThread& thread = *runLoop->thread();
    ASSERT_TRUE(isIdle(thread));
    uint64_t start = thread.wakeUpCount();

    // One wake-up serves all the blocks that queued while the loop worked.
    std::latch release(1);
    std::atomic<int> ran = 0;
    runLoop->performBlock([&] { release.wait(); });
    for (int index = 0; index < 20; ++index) {
        runLoop->performBlock([&] { ++ran; });
    }
    release.count_down();
    ASSERT_TRUE(VLWaitUntil([&] { return ran == 20; }));
    ASSERT_TRUE(isIdle(thread));
    EXPECT_EQ(start + 1, thread.wakeUpCount());

    // Each post to a sleeping loop is one wake-up.
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(isIdle(thread));
        runLoop->performBlockSync([] {});
    }
    ASSERT_TRUE(isIdle(thread));
    EXPECT_EQ(start + 4, thread.wakeUpCount());

    // While a block works, the thread has been busy since before the block began.
    uint64_t busySince = 0;
    uint64_t blockStart = 0;
    runLoop->performBlockSync([&] {
        blockStart = VLUptimeNanoseconds();
        std::this_thread::sleep_for(5ms);
        busySince = thread.busySince();
    });
    EXPECT_NE(0u, busySince);
    EXPECT_LE(busySince, blockStart);
}

TEST(VLRunLoop, SuspendParksTheThreadBehindEarlierWorkUntilResumed) {
    auto runLoop = makeRunLoop();
    std::atomic<int> ran = 0;
    runLoop->performBlock([&] { ++ran; });
    runLoop->suspend();
    runLoop->suspend();
    runLoop->performBlock([&] { ran += 10; });
    ASSERT_TRUE(VLWaitUntil([&] { return ran >= 1; }));
    EXPECT_EQ(1, ran); // the second block queues behind the parked thread
    runLoop->resume();
    runLoop->performBlockSync([] {});
    EXPECT_EQ(11, ran);

    // Released while suspended, the loop still stops its thread.
    runLoop->suspend();
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    runLoop.reset();
    EXPECT_TRUE(thread->waitUntilFinished(20s));
}

TEST(VLRunLoop, BeforeWaitingObserversRunBeforeEachSleepAndWhatTheyPostRunsFirst) {
    auto runLoop = makeRunLoop();
    std::shared_ptr<VLRunLoopThread> thread = runLoop->thread();
    ASSERT_TRUE(isIdle(*thread));
    std::atomic<int> calls = 0;
    std::vector<std::string> events;      // the loop's
    std::vector<uint64_t> wakeUpsAtCalls; // the loop's
    auto observer = runLoop->addBeforeWaitingObserver([&] {
        events.push_back("observer");
        wakeUpsAtCalls.push_back(thread->wakeUpCount());
        if (calls++ == 0)
            thread->post([&] { events.push_back("posted"); });
    });

    // The first call posts; the loop runs that before it sleeps, without waking for it, and asks the
    // observers again before the sleep. The test's own blocks may add later calls, so only the start counts.
    ASSERT_TRUE(VLWaitUntil([&] { return calls >= 2; }));
    std::vector<std::string> seen;
    std::vector<uint64_t> wakeUps;
    runLoop->performBlockSync([&] {
        seen = events;
        wakeUps = wakeUpsAtCalls;
    });
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ((std::vector<std::string>{"observer", "posted", "observer"}),
              std::vector(seen.begin(), seen.begin() + 3));
    EXPECT_EQ(wakeUps[0], wakeUps[1]);

    // Each wake-up for a block costs one call before the next sleep.
    ASSERT_TRUE(isIdle(*thread));
    const int settled = calls;
    runLoop->performBlockSync([] {});
    ASSERT_TRUE(isIdle(*thread));
    EXPECT_EQ(settled + 1, calls);

    observer->invalidate();
    runLoop->performBlockSync([] {});
    ASSERT_TRUE(isIdle(*thread));
    EXPECT_EQ(settled + 1, calls);
}

TEST(VLRunLoop, AThreadThatLivesWithTheProcessIsNotWaitedFor) {
    auto thread = VLRunLoopThread::create("app.velto.test-process-long");
    thread->setLivesWithProcess();
    auto runLoop = VLRunLoop::create(thread);
    runLoop->performBlockSync([] {});
    EXPECT_TRUE(VLRunLoopThread::waitUntilAllFinished(20s));
    EXPECT_TRUE(runLoop->isRunning());
}
