#include "Core/Runtime/Rendering/VLScreenUpdateTransaction.h"

#include "Platform/Foundation/VLReplaceable.h"
#include "Platform/WindowServer/VLWSTransaction.h"

namespace {

VLReplaceable<VLScreenUpdateTransaction> sharedTransaction;

} // namespace

std::shared_ptr<VLScreenUpdateTransaction> VLScreenUpdateTransaction::shared() {
    return sharedTransaction.get(
        VLReplaceableDefault<VLScreenUpdateTransaction, VLScreenUpdateTransaction>());
}

void VLScreenUpdateTransaction::setShared(std::shared_ptr<VLScreenUpdateTransaction> transaction) {
    sharedTransaction.set(std::move(transaction));
}

void VLScreenUpdateTransaction::begin() {
    VLWSTransaction::begin();
}

void VLScreenUpdateTransaction::setDisableActions(bool disable) {
    VLWSTransaction::setDisableActions(disable);
}

void VLScreenUpdateTransaction::commit() {
    VLWSTransaction::commit();
}
