#include "Platform/Foundation/VLDispatchSource.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/epoll.h>
#include <unistd.h>

#include <atomic>

TEST(VLDispatchSource, RunsTheHandlerOnTheQueueUntilCancelledThenClosesTheDescriptor) {
    int pipe[2];
    ASSERT_EQ(::pipe2(pipe, O_CLOEXEC | O_NONBLOCK), 0);
    auto queue = VLDispatchQueue::create("app.velto.test.source");
    std::atomic<int> runs{0};
    std::atomic<bool> onQueue{true};
    auto source = VLDispatchSource::create(pipe[0], EPOLLIN, queue, [&] {
        onQueue = onQueue && queue->isCurrent();
        char byte;
        // Reads one byte of what waits: the handler runs again for the rest.
        if (::read(pipe[0], &byte, 1) == 1)
            ++runs;
    });
    ASSERT_TRUE(source);
    ASSERT_EQ(::write(pipe[1], "abc", 3), 3);
    EXPECT_TRUE(VLWaitUntil([&] { return runs == 3; }));
    EXPECT_TRUE(onQueue);

    // Cancelled with a byte waiting and its run perhaps queued already, the handler does not run again.
    queue->sync([&] {
        ASSERT_EQ(::write(pipe[1], "d", 1), 1);
        source->cancel();
    });
    queue->sync([] {});
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(source->isCancelled());
    EXPECT_EQ(::fcntl(pipe[0], F_GETFD), -1);
    ::close(pipe[1]);
}

TEST(VLDispatchSource, RefusesWhatCannotBeWatched) {
    auto queue = VLDispatchQueue::create("app.velto.test.source");
    int file = ::open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    // epoll takes no regular files; the descriptor is closed all the same.
    EXPECT_EQ(VLDispatchSource::create(file, EPOLLIN, queue, [] {}), nullptr);
    EXPECT_EQ(::fcntl(file, F_GETFD), -1);
    EXPECT_EQ(VLDispatchSource::create(-1, EPOLLIN, queue, [] {}), nullptr);
}
