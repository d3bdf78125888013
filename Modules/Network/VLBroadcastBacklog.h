#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>

// The messages that a runtime's BroadcastChannels were handed and its JavaScript thread has not yet
// delivered: at most 1024 of them and 64 MiB. Past that, messages are dropped, and the first drop
// since the backlog was last empty is logged.
//
// Any thread: the hub's callers count messages in, the JavaScript thread counts them out; `_lock`
// guards all of it.
class VLBroadcastBacklog {
public:
    static constexpr size_t kMaximumCount = 1024;
    static constexpr uint64_t kMaximumSize = 67108864;

    // Counts the message in; false when it must be dropped.
    bool admit(uint64_t size);
    // Counts a message that was admitted out again.
    void release(uint64_t size);

private:
    std::mutex _lock;
    size_t _backlogCount = 0;
    uint64_t _backlogSize = 0;
    bool _droppedMessages = false;
};
