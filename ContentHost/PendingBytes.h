#pragma once

#include <cstdint>
#include <mutex>

// The bytes of framed messages queued for writing and not yet written, and how many frames wait on the
// write queue: the senders add to both and the write queue's blocks take away, so that the write backlog
// has one counter and a sender knows when the socket is free to write to at once. Any thread.
class PendingBytes final {
public:
    // Adds the length unless the count would then pass the limit; says whether it did.
    bool addWithin(int64_t length, int64_t limit);
    void subtract(int64_t length);
    int64_t count() const;

    // A frame goes to the write queue; the queue's block calls frameWritten() when it is done with it.
    void frameQueued();
    void frameWritten(int64_t length);
    // No frame waits on the write queue or is being written there.
    bool writeQueueIsIdle() const;

private:
    mutable std::mutex _lock; // guards the members below
    int64_t _count = 0;
    int64_t _queuedFrames = 0;
};
