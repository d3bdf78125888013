#include "Platform/Foundation/VLDispatchQueue.h"

#include "Tests/Support/VLTestSignal.h"

#include <atomic>
#include <gtest/gtest.h>
#include <pthread.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(VLDispatchQueue, RunsBlocksOneAtATimeInPostingOrderUnderContention) {
    auto queue = VLDispatchQueue::create("app.velto.test.fifo");
    constexpr int producers = 4, perProducer = 2000;
    std::vector<std::vector<int>> seen(producers); // touched only on the queue
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};

    std::vector<std::thread> threads;
    for (int p = 0; p < producers; ++p)
        threads.emplace_back([&, p] {
            for (int i = 0; i < perProducer; ++i)
                queue->async([&, p, i] {
                    if (inside.fetch_add(1) != 0)
                        overlapped = true;
                    seen[p].push_back(i);
                    inside.fetch_sub(1);
                });
        });
    for (auto& thread : threads)
        thread.join();
    queue->sync([] {});

    EXPECT_FALSE(overlapped);
    for (int p = 0; p < producers; ++p) {
        ASSERT_EQ(size_t(perProducer), seen[p].size());
        for (int i = 0; i < perProducer; ++i)
            ASSERT_EQ(i, seen[p][i]) << "producer " << p;
    }
}

TEST(VLDispatchQueue, SyncWaitsForTheBlockAndRunsInlineFromItsOwnQueue) {
    auto queue = VLDispatchQueue::create("app.velto.test.sync");
    std::vector<std::string> order; // touched only on the queue, read after a sync returns
    bool finishedBeforeReturn = false;

    queue->async([&] { order.push_back("queued before"); });
    queue->sync([&] {
        order.push_back("sync");
        // Posted from the queue: runs after this block. A nested sync runs at once.
        queue->async([&] { order.push_back("posted inside"); });
        queue->sync([&] { order.push_back("nested sync"); });
        finishedBeforeReturn = true;
    });
    EXPECT_TRUE(finishedBeforeReturn);
    queue->sync([] {});
    EXPECT_EQ((std::vector<std::string>{"queued before", "sync", "nested sync", "posted inside"}), order);
}

TEST(VLDispatchQueue, DelayedBlocksRunInDueOrderNotBeforeTheirDelay) {
    auto queue = VLDispatchQueue::create("app.velto.test.after");
    struct Run {
        std::string name;
        VLDispatchQueue::Clock::duration waited;
    };
    std::vector<Run> runs; // touched only on the queue
    VLTestSignal holding, scheduled, finished;
    // Hold the worker until everything is scheduled, so that it sees all the deadlines at once.
    queue->async([&] {
        holding.raise();
        ASSERT_TRUE(scheduled.wait());
    });
    ASSERT_TRUE(holding.wait());
    auto start = VLDispatchQueue::Clock::now();
    auto record = [&](std::string name) {
        return [&, name] { runs.push_back({name, VLDispatchQueue::Clock::now() - start}); };
    };

    // Given first, due last. The others are given in the order of their deadlines, so that a pause of
    // this thread between two calls cannot swap them; only a pause of 100 ms or more could.
    queue->after(200ms, [&, last = record("200ms")] {
        last();
        finished.raise();
    });
    queue->after(-5ms, record("negative"));
    queue->after(0ms, record("0ms a"));
    queue->after(0ms, record("0ms b"));
    queue->after(20ms, record("20ms"));
    queue->after(std::chrono::duration<double>(0.1), record("100ms"));
    queue->async(record("async"));
    scheduled.raise();
    ASSERT_TRUE(finished.wait());

    std::vector<std::string> names;
    for (auto& run : runs)
        names.push_back(run.name);
    // The async block may run before or after the due-at-once blocks, which keep their own order.
    std::erase(names, "async");
    EXPECT_EQ((std::vector<std::string>{"negative", "0ms a", "0ms b", "20ms", "100ms", "200ms"}), names);
    for (auto& run : runs) {
        if (run.name == "20ms") {
            EXPECT_GE(run.waited, 20ms);
        }
        if (run.name == "100ms") {
            EXPECT_GE(run.waited, 100ms);
        }
        if (run.name == "200ms") {
            EXPECT_GE(run.waited, 200ms);
        }
    }
}

TEST(VLDispatchQueue, CodeOnTheQueueSeesItsQueueAndThreadName) {
    const void* key = &key;
    int value = 7;
    auto queue = VLDispatchQueue::create("app.velto.jsengine.a-long-label");
    queue->setSpecific(key, &value);

    std::shared_ptr<VLDispatchQueue> seenQueue;
    std::string seenLabel;
    char threadName[32] = {};
    void* seenSpecific = nullptr;
    queue->sync([&] {
        seenQueue = VLDispatchQueue::current();
        seenLabel = VLDispatchQueue::currentLabel();
        seenSpecific = VLDispatchQueue::current()->getSpecific(key);
        pthread_getname_np(pthread_self(), threadName, sizeof threadName);
    });

    EXPECT_EQ(queue, seenQueue);
    EXPECT_EQ("app.velto.jsengine.a-long-label", queue->label());
    EXPECT_EQ(queue->label(), seenLabel);
    EXPECT_EQ(&value, seenSpecific);
    EXPECT_STREQ("app.velto.jseng", threadName);
    EXPECT_EQ(nullptr, VLDispatchQueue::current());
    EXPECT_EQ("", VLDispatchQueue::currentLabel());
    EXPECT_FALSE(queue->isCurrent());
    EXPECT_EQ(nullptr, queue->getSpecific(&value));
}

TEST(VLDispatchQueue, ThreadNameIsNotCutInsideACharacter) {
    // 14 ASCII bytes, then a two-byte character across the 15-byte limit.
    auto queue = VLDispatchQueue::create("app.velto.test\xC3\xA9tail");
    char threadName[32] = {};
    queue->sync([&] { pthread_getname_np(pthread_self(), threadName, sizeof threadName); });
    EXPECT_STREQ("app.velto.test", threadName);
}

TEST(VLDispatchQueue, DestructionRunsQueuedWorkAndDropsUndueDelayedWork) {
    for (int round = 0; round < 200; ++round) {
        std::atomic<int> ran{0};
        auto delayedCapture = std::make_shared<int>(0);
        std::weak_ptr<int> delayedAlive = delayedCapture;
        {
            auto queue = VLDispatchQueue::create("app.velto.test.churn");
            queue->after(1h, [&ran, capture = std::move(delayedCapture)] { ran += 1000; });
            for (int i = 0; i < 5; ++i)
                queue->async([&ran] { ran += 1; });
        }
        ASSERT_EQ(5, ran.load()) << "round " << round;
        ASSERT_TRUE(delayedAlive.expired()) << "round " << round;
    }
}

TEST(VLDispatchQueue, LastReferenceDroppedOnItsOwnQueueFinishesTheQueuedWork) {
    auto queue = VLDispatchQueue::create("app.velto.test.self-release");
    VLTestSignal released, finished;
    std::atomic<bool> currentWasNullAfterRelease{false};
    std::string labelAfterRelease;

    queue->async([q = queue, &released]() mutable {
        ASSERT_TRUE(released.wait());
        q.reset(); // the last reference: the destructor runs on the queue's own worker
    });
    queue->async([&] {
        currentWasNullAfterRelease = VLDispatchQueue::current() == nullptr;
        labelAfterRelease = VLDispatchQueue::currentLabel();
        finished.raise();
    });
    queue.reset();
    released.raise();

    ASSERT_TRUE(finished.wait());
    EXPECT_TRUE(currentWasNullAfterRelease);
    EXPECT_EQ("app.velto.test.self-release", labelAfterRelease);
}
