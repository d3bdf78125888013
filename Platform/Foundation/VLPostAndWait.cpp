#include "Platform/Foundation/VLPostAndWait.h"

#include <condition_variable>
#include <mutex>

void VLPostAndWait(const std::function<void(std::function<void()>)>& post,
                   const std::function<void()>& block) {
    std::mutex mutex;
    std::condition_variable ran;
    bool done = false;
    post([&] {
        block();
        std::lock_guard lock(mutex);
        done = true;
        ran.notify_one();
    });
    std::unique_lock lock(mutex);
    ran.wait(lock, [&] { return done; });
}
