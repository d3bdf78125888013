#pragma once

#include "Platform/Foundation/VLDispatchQueue.h"

#include <functional>
#include <memory>

// Watches a descriptor for reading and runs its event handler on a serial queue. Level-triggered: while
// data remains to be read (or the other end has closed) it fires again, but never while its handler is
// queued or running. It is made suspended, so that its handlers can be set first: resume() starts it.
// suspend() and resume() nest; cancel() stops it for good, after which the cancel handler runs once on
// the same queue, behind the handler if one is queued or running (whether or not the source is suspended).
// The descriptor stays open: closing it is the cancel handler's business.
//
// Waiting sleeps: the queue's own worker waits in epoll for the descriptor beside its blocks, without
// time-outs, and runs the handler itself; a source that is suspended or cancelled is not watched, and one
// whose handler runs is not waited for. A descriptor that epoll cannot watch (a regular file) counts as
// always readable.
//
// Any thread may call the methods. Dropping the last reference cancels the source.
class VLDispatchReadSource final {
public:
    using Block = std::function<void()>;

    static std::shared_ptr<VLDispatchReadSource> create(int descriptor,
                                                        std::shared_ptr<VLDispatchQueue> queue);
    ~VLDispatchReadSource();
    VLDispatchReadSource(const VLDispatchReadSource&) = delete;
    VLDispatchReadSource& operator=(const VLDispatchReadSource&) = delete;

    // Set before the first resume().
    void setEventHandler(Block handler);
    void setCancelHandler(Block handler);

    void resume();
    void suspend();
    void cancel();
    bool isCancelled() const;

    struct State;

private:
    explicit VLDispatchReadSource(std::shared_ptr<State> state);
    // Shared with the waiting thread and with the handler blocks on the queue.
    std::shared_ptr<State> _state;
};
