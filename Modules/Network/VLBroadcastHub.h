#pragma once

#include "Platform/Foundation/VLValue.h"

#include <memory>
#include <mutex>
#include <string>

class VLBroadcastTransport;

// The process-wide router of broadcast-channel messages. Until channels exist it keeps only the
// host's cross-process transport; with no local receivers, messages from other processes are dropped.
//
// Any thread; _lock guards the transport.
class VLBroadcastHub {
public:
    // Made on first use, never destroyed.
    static VLBroadcastHub& sharedHub();

    std::shared_ptr<VLBroadcastTransport> transport() const;
    // Stores the transport and tells it of every cross-process key that has local receivers.
    void setTransport(std::shared_ptr<VLBroadcastTransport> transport);
    void receiveTransportedMessage(const VLData& data, const std::string& key);

private:
    VLBroadcastHub() = default;

    mutable std::mutex _lock;
    std::shared_ptr<VLBroadcastTransport> _transport;
};
