#include "Modules/Network/VLNetworkWebSocketDelegate.h"

#include "Platform/Network/VLWebSocketTask.h"

void VLNetworkWebSocketDelegate::didOpen(VLWebSocketTask& task, const std::string& protocol) {
    _hop.now([taskIdentifier = task.taskIdentifier(), protocol](VLNetworkJSBinding& binding) {
        binding.socketDidOpen(taskIdentifier, protocol);
    });
}

void VLNetworkWebSocketDelegate::didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) {
    _hop.now(
        [task = task.shared_from_this(), message = std::move(message)](VLNetworkJSBinding& binding) mutable {
            binding.socketDidReceiveMessage(task, std::move(message));
        });
}

void VLNetworkWebSocketDelegate::didReceiveClose(VLWebSocketTask& task, uint16_t code,
                                                 const std::string& reason) {
    _hop.now([taskIdentifier = task.taskIdentifier(), code, reason](VLNetworkJSBinding& binding) {
        binding.socketDidReceiveClose(taskIdentifier, code, reason);
    });
}

void VLNetworkWebSocketDelegate::didComplete(VLWebSocketTask& task, const VLErrorRef& error) {
    _hop.now([taskIdentifier = task.taskIdentifier(), error](VLNetworkJSBinding& binding) {
        binding.socketDidComplete(taskIdentifier, error);
    });
}
