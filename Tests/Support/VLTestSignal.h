#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A one-way signal between threads for tests: one side raises it, the other waits for it. The wait
// has a generous limit so that a fault shows as a failed assertion instead of a hung test.
class VLTestSignal {
public:
    void raise() {
        std::lock_guard lock(_mutex);
        _raised = true;
        _changed.notify_all();
    }

    [[nodiscard]] bool wait(std::chrono::seconds limit = std::chrono::seconds(20)) {
        std::unique_lock lock(_mutex);
        return _changed.wait_for(lock, limit, [&] { return _raised; });
    }

    bool isRaised() {
        std::lock_guard lock(_mutex);
        return _raised;
    }

private:
    std::mutex _mutex;
    std::condition_variable _changed;
    bool _raised = false;
};
