#include "Modules/Network/VLNetworkWebSocketDelegate.h"

#include "Platform/Network/VLWebSocketTask.h"

void VLNetworkWebSocketDelegate::didOpen(VLWebSocketTask& task, const std::string& protocol) {
    perform([taskIdentifier = task.taskIdentifier(), protocol](VLNetworkJSBinding& binding) {
        binding.socketDidOpen(taskIdentifier, protocol);
    });
}

void VLNetworkWebSocketDelegate::didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) {
    perform(
        [task = task.shared_from_this(), message = std::move(message)](VLNetworkJSBinding& binding) mutable {
            binding.socketDidReceiveMessage(task, std::move(message));
        });
}

void VLNetworkWebSocketDelegate::didReceiveClose(VLWebSocketTask& task, uint16_t code,
                                                 const std::string& reason) {
    perform([taskIdentifier = task.taskIdentifier(), code, reason](VLNetworkJSBinding& binding) {
        binding.socketDidReceiveClose(taskIdentifier, code, reason);
    });
}

void VLNetworkWebSocketDelegate::didComplete(VLWebSocketTask& task, const VLErrorRef& error) {
    perform([taskIdentifier = task.taskIdentifier(), error](VLNetworkJSBinding& binding) {
        binding.socketDidComplete(taskIdentifier, error);
    });
}

void VLNetworkWebSocketDelegate::perform(VLNetworkJSBinding::Hop::Block block) {
    {
        std::lock_guard lock(_lock);
        _waiting.push_back(std::move(block));
        if (_batchPosted)
            return;
        _batchPosted = true;
    }
    _hop.now([weakSelf = weak_from_this()](VLNetworkJSBinding& binding) {
        if (std::shared_ptr<VLNetworkWebSocketDelegate> self = weakSelf.lock())
            self->runWaitingBlocks(binding);
    });
}

void VLNetworkWebSocketDelegate::runWaitingBlocks(VLNetworkJSBinding& binding) {
    std::vector<VLNetworkJSBinding::Hop::Block> batch;
    {
        std::lock_guard lock(_lock);
        batch.swap(_waiting);
        _batchPosted = false;
    }
    for (VLNetworkJSBinding::Hop::Block& block : batch) {
        // A listener may have ended the runtime.
        if (binding.isTerminated())
            return;
        block(binding);
    }
}
