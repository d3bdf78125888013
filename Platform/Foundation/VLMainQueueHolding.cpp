#include "Platform/Foundation/VLMainQueueHolding.h"

#include "Platform/Foundation/VLMainQueue.h"

#include <memory>
#include <utility>
#include <vector>

namespace {

// What a thread holds; the thread's own.
struct MainQueueHeldBlocks {
    bool holding = false;
    std::vector<std::function<void()>> blocks;
};

thread_local MainQueueHeldBlocks tMainQueueHeldBlocks;

} // namespace

void VLMainQueueHolding::begin() {
    tMainQueueHeldBlocks.holding = true;
}

void VLMainQueueHolding::handOver() {
    MainQueueHeldBlocks& held = tMainQueueHeldBlocks;
    if (held.blocks.empty())
        return;
    std::function<void()> handed;
    if (held.blocks.size() == 1) {
        handed = std::move(held.blocks.front());
    } else {
        handed = [blocks = std::make_shared<std::vector<std::function<void()>>>(std::move(held.blocks))] {
            for (std::function<void()>& block : *blocks)
                std::exchange(block, nullptr)();
        };
    }
    held.blocks.clear();
    held.holding = false;
    VLMainQueue::async(std::move(handed));
    held.holding = true;
}

void VLMainQueueHolding::end() {
    handOver();
    tMainQueueHeldBlocks.holding = false;
}

bool VLMainQueueHolding::hold(std::function<void()>& block) {
    MainQueueHeldBlocks& held = tMainQueueHeldBlocks;
    if (!held.holding)
        return false;
    held.blocks.push_back(std::move(block));
    return true;
}
