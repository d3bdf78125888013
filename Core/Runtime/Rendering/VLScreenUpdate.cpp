#include "Core/Runtime/Rendering/VLScreenUpdate.h"

#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Runtime/Rendering/VLScreenUpdateTransaction.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

using BlockList = std::vector<VLScreenUpdateBlock>;

struct VLScreenUpdateState {
    uint32_t depth = 0;
    BlockList layout;  // queued during the current outermost pass
    bool held = false; // the current pass waits for the next flush
    BlockList pending; // waits for the next flush
    BlockList present; // present blocks for the next flush
};

// The calling thread's own; no lock.
thread_local VLScreenUpdateState tState;

void runOnMain(BlockList blocks) {
    if (blocks.empty())
        return;
    VLExecuteOnMainQueue([blocks = std::move(blocks)] {
        std::shared_ptr<VLScreenUpdateTransaction> transaction = VLScreenUpdateTransaction::shared();
        transaction->begin();
        transaction->setDisableActions(true);
        for (const VLScreenUpdateBlock& block : blocks)
            block();
        transaction->commit();
    });
}

void append(BlockList& list, BlockList&& blocks) {
    list.insert(list.end(), std::make_move_iterator(blocks.begin()), std::make_move_iterator(blocks.end()));
}

} // namespace

void VLScreenUpdateBeginLayout() {
    ++tState.depth;
}

void VLScreenUpdateEndLayout() {
    if (tState.depth == 0 || --tState.depth > 0)
        return;
    BlockList blocks = std::exchange(tState.layout, {});
    const bool held = std::exchange(tState.held, false);
    if (!held && tState.pending.empty())
        runOnMain(std::move(blocks));
    else
        append(tState.pending, std::move(blocks));
}

void VLScreenUpdatePerform(VLScreenUpdateBlock block) {
    if (tState.depth > 0)
        tState.layout.push_back(std::move(block));
    else if (tState.pending.empty())
        VLExecuteOnMainQueue(std::move(block));
    else
        tState.pending.push_back(std::move(block));
}

void VLScreenUpdateHoldUntilPresent() {
    if (tState.depth > 0)
        tState.held = true;
}

bool VLScreenUpdateIsHeld() {
    return !tState.pending.empty();
}

void VLScreenUpdatePresent(VLScreenUpdateBlock block) {
    tState.present.push_back(std::move(block));
}

void VLScreenUpdateFlush() {
    if (tState.pending.empty() && tState.present.empty())
        return;
    BlockList blocks = std::exchange(tState.pending, {});
    append(blocks, std::exchange(tState.present, {}));
    runOnMain(std::move(blocks));
}
