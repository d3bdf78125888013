#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class VLDispatchQueue;

// A file descriptor watched on behalf of a serial queue, as a dispatch read source watches one: each time
// the descriptor is ready for the events asked for (EPOLLIN, EPOLLPRI), the handler runs once on the
// queue, and the descriptor is watched again only after the handler has returned, so a handler that
// leaves something unread runs again. One process-wide thread waits on every watched descriptor and
// sleeps while none is ready.
//
// The source owns the descriptor and closes it once cancelled. Any thread may cancel; once cancel() has
// returned the handler never starts again (a handler running on another thread is waited for, one
// running on this thread goes on to its end).
class VLDispatchSource final {
public:
    using Handler = std::function<void()>;

    // Nothing, with the descriptor closed, when it cannot be watched (a regular file, a closed one).
    static std::shared_ptr<VLDispatchSource> create(int fileDescriptor, uint32_t events,
                                                    std::shared_ptr<VLDispatchQueue> queue, Handler handler);
    ~VLDispatchSource();
    VLDispatchSource(const VLDispatchSource&) = delete;
    VLDispatchSource& operator=(const VLDispatchSource&) = delete;

    void cancel();
    bool isCancelled() const;

    struct State;

private:
    explicit VLDispatchSource(std::shared_ptr<State> state) : _state(std::move(state)) {}

    // Shared with the watching thread and the handler's posted runs, which may outlive this object.
    const std::shared_ptr<State> _state;
};
