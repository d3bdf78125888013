#pragma once

#include "Modules/Network/VLNetworkJSBinding.h"
#include "Platform/Network/VLWebSocketTaskDelegate.h"

#include <memory>
#include <mutex>
#include <vector>

// The delegate of the Network binding's WebSocket session: it hands every event to the binding on its
// JavaScript thread, in order. Events that come while earlier ones still wait for that thread join
// them, so a busy connection wakes the thread once per batch rather than once per message. The event
// methods run on the session's thread; perform() on any.
class VLNetworkWebSocketDelegate final : public VLWebSocketTaskDelegate,
                                         public std::enable_shared_from_this<VLNetworkWebSocketDelegate> {
public:
    explicit VLNetworkWebSocketDelegate(VLNetworkJSBinding::Hop hop) : _hop(std::move(hop)) {}

    void didOpen(VLWebSocketTask& task, const std::string& protocol) override;
    void didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) override;
    void didReceiveClose(VLWebSocketTask& task, uint16_t code, const std::string& reason) override;
    void didComplete(VLWebSocketTask& task, const VLErrorRef& error) override;

    // Runs the block with the binding on its JavaScript thread, after the events and blocks before it.
    void perform(VLNetworkJSBinding::Hop::Block block);

private:
    void runWaitingBlocks(VLNetworkJSBinding& binding);

    const VLNetworkJSBinding::Hop _hop;
    std::mutex _lock; // guards the members below; any thread
    std::vector<VLNetworkJSBinding::Hop::Block> _waiting;
    bool _batchPosted = false;
};
