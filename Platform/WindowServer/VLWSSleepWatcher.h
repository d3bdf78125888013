#pragma once

#include <functional>
#include <memory>

// Hears from logind when the machine is about to sleep and when it has woken (its PrepareForSleep
// signal on the system bus), for the workspace. The bus is reached asynchronously; without a system bus
// or without logind nothing is ever heard, and the machine counts as awake.
//
// Main thread: made there, and the handler is called there.
class VLWSSleepWatcher final {
public:
    using Handler = std::function<void(bool sleeping)>;

    static std::unique_ptr<VLWSSleepWatcher> start(Handler handler);
    // Stops listening; the handler is not called afterwards.
    ~VLWSSleepWatcher();
    VLWSSleepWatcher(const VLWSSleepWatcher&) = delete;
    VLWSSleepWatcher& operator=(const VLWSSleepWatcher&) = delete;

    struct State;

private:
    explicit VLWSSleepWatcher(std::shared_ptr<State> state) : _state(std::move(state)) {}

    // Shared with GIO's callbacks, which hold it weakly and may still be queued after the end.
    const std::shared_ptr<State> _state;
};
