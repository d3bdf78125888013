#pragma once

#include "Modules/Network/VLNetworkJSBinding.h"
#include "Platform/Network/VLWebSocketTaskDelegate.h"

// The delegate of the Network binding's WebSocket session: it hands every event to the binding on its
// JavaScript thread at once. Every method runs on the session's thread.
class VLNetworkWebSocketDelegate final : public VLWebSocketTaskDelegate {
public:
    explicit VLNetworkWebSocketDelegate(VLNetworkJSBinding::Hop hop) : _hop(std::move(hop)) {}

    void didOpen(VLWebSocketTask& task, const std::string& protocol) override;
    void didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) override;
    void didReceiveClose(VLWebSocketTask& task, uint16_t code, const std::string& reason) override;
    void didComplete(VLWebSocketTask& task, const VLErrorRef& error) override;

private:
    const VLNetworkJSBinding::Hop _hop;
};
