#include "Core/Runtime/Rendering/VLScreenUpdateTransaction.h"

#include "Platform/Foundation/VLReplaceable.h"

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
