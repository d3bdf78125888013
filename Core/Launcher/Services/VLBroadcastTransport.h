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
    // Whether messages of the key reach anybody beyond this process; a transport that cannot tell says
    // they do.
    virtual bool carriesMessagesForKey(const std::string& /*key*/) { return true; }
};
