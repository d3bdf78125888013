#include "Core/Runtime/Rendering/VLScreenUpdateTransaction.h"

#include "Platform/Foundation/VLReplaceable.h"
#include "Platform/WindowServer/VLWSTransaction.h"

namespace {

VLReplaceable<VLScreenUpdateTransaction> sharedTransaction;

} // namespace

std::shared_ptr<VLScreenUpdateTransaction> VLScreenUpdateTransaction::shared() {
    static const std::shared_ptr<VLScreenUpdateTransaction> plain =
        std::make_shared<VLScreenUpdateTransaction>();
    return sharedTransaction.get(plain);
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
