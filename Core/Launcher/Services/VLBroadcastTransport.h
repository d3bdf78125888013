#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>

// Carries broadcast-channel messages of cross-process keys beyond this process. Implemented by the
// content host and set through VLManager; called on any thread.
class VLBroadcastTransport {
public:
    virtual ~VLBroadcastTransport() = default;
    // Whether the key has receivers in this process.
    virtual void broadcastKey(const std::string& key, bool listening) = 0;
    virtual void sendBroadcastMessage(const VLData& data, const std::string& key) = 0;
};
