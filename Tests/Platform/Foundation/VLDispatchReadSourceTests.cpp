#include "Platform/Foundation/VLDispatchReadSource.h"

#include "Tests/Support/VLTestSignal.h"
#include "Tests/Support/VLWaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A socket pair whose reading end is non-blocking, with a source that reads one byte per event.
class ReadSourceTest : public testing::Test {
protected:
    int ends[2] = {-1, -1};
    std::shared_ptr<VLDispatchQueue> queue = VLDispatchQueue::create("app.velto.test.read-source");
    std::shared_ptr<VLDispatchReadSource> source;
    // Written on the queue.
    std::atomic<int> bytesRead{0};
    std::atomic<int> emptyEvents{0};
    std::atomic<int> endsOfStream{0};

    void SetUp() override {
        ASSERT_EQ(0, ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends));
        ::fcntl(ends[0], F_SETFL, ::fcntl(ends[0], F_GETFL) | O_NONBLOCK);
        source = VLDispatchReadSource::create(ends[0], queue);
    }

    void TearDown() override {
        source->cancel();
        queue->sync([] {});
        ::close(ends[0]);
        ::close(ends[1]);
    }

    // Reads one byte; an event that finds nothing to read counts as empty, the end of the stream apart.
    void readOneByte() {
        char byte;
        const ssize_t count = ::read(ends[0], &byte, 1);
        if (count == 1)
            ++bytesRead;
        else if (count == 0)
            ++endsOfStream;
        else
            ++emptyEvents;
    }

    void write(const char* text) { ASSERT_EQ(ssize_t(strlen(text)), ::write(ends[1], text, strlen(text))); }
};

} // namespace

TEST_F(ReadSourceTest, FiresWhileDataRemainsAndNeverWithoutIt) {
    source->setEventHandler([this] { readOneByte(); });
    write("hello");
    source->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return bytesRead == 5; }));
    write("!");
    ASSERT_TRUE(VLWaitUntil([&] { return bytesRead == 6; }));
    // The end of the stream is readable too.
    ::shutdown(ends[1], SHUT_WR);
    ASSERT_TRUE(VLWaitUntil([&] { return endsOfStream > 0; }));
    source->cancel();
    queue->sync([] {});
    EXPECT_EQ(0, emptyEvents); // no event was queued behind a running handler
}

TEST_F(ReadSourceTest, SuspendedItWatchesNothingUntilResumed) {
    source->setEventHandler([this] {
        readOneByte();
        source->suspend(); // from its own handler, as a reader that must wait does
    });
    // Made suspended: nothing fires before the first resume.
    write("ab");
    queue->sync([] {});
    EXPECT_EQ(0, bytesRead);
    source->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return bytesRead == 1; }));
    queue->sync([] {});
    EXPECT_EQ(1, bytesRead);

    // Suspensions nest.
    source->suspend();
    source->resume();
    queue->sync([] {});
    EXPECT_EQ(1, bytesRead);
    source->resume();
    ASSERT_TRUE(VLWaitUntil([&] { return bytesRead == 2; }));
    EXPECT_EQ(0, emptyEvents);
}

TEST_F(ReadSourceTest, CancelRunsTheCancelHandlerOnceOnTheQueueAndStopsTheEvents) {
    std::atomic<int> cancels{0};
    std::atomic<bool> onQueue{false};
    source->setEventHandler([this] { readOneByte(); });
    source->setCancelHandler([&] {
        onQueue = queue->isCurrent();
        ++cancels;
    });
    source->resume();
    source->suspend();
    source->cancel();
    source->cancel();
    EXPECT_TRUE(source->isCancelled());
    write("late");
    source->resume();
    queue->sync([] {});
    EXPECT_EQ(1, cancels);
    EXPECT_TRUE(onQueue);
    EXPECT_EQ(0, bytesRead);
}
