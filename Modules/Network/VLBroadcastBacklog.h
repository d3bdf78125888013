#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

class VLBroadcastMessage;

// The messages that a runtime's BroadcastChannels were handed and its JavaScript thread has not yet
// delivered, oldest first: at most 1024 of them and 64 MiB. Past that, messages are dropped, and the
// first drop since the backlog was last empty is logged. The JavaScript thread takes them in batches, each
// of what waited at its start: the message that finds no batch under way asks its caller to start one.
//
// Any thread: the hub's callers add messages, the JavaScript thread takes them; `_lock` guards all of it.
class VLBroadcastBacklog {
public:
    static constexpr size_t kMaximumCount = 1024;
    static constexpr uint64_t kMaximumSize = 67108864;

    struct Delivery {
        std::shared_ptr<VLBroadcastMessage> message;
        double sourceId;
        double newestId;
    };
    enum class Admission { dropped, queued, startsBatch };

    Admission admit(Delivery delivery);
    // How many wait now: what a batch delivers, so that what comes meanwhile waits for the next one.
    size_t count();
    // The oldest delivery, counted out; nothing when none waits.
    std::optional<Delivery> next();
    // At the end of a batch: true when more wait, for another batch; otherwise the batch ends.
    bool continuesBatch();

private:
    std::mutex _lock;
    std::deque<Delivery> _deliveries;
    uint64_t _backlogSize = 0;
    bool _droppedMessages = false;
    bool _batchUnderWay = false;
};
