#include "Core/Engine/RunLoop/VLQueueSupport.h"

#include "Platform/Foundation/VLMainQueue.h"

bool VLIsMainQueue() {
    return VLMainQueue::isCurrent();
}

void VLExecuteOnMainQueue(std::function<void()> block) {
    if (VLIsMainQueue())
        block();
    else
        VLMainQueue::async(std::move(block));
}

void VLUnsafeExecuteOnMainQueueSync(const std::function<void()>& block) {
    VLMainQueue::sync(block);
}
