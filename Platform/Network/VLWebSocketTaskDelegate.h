#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <string>

class VLWebSocketTask;

// One whole message of a WebSocket connection: text (UTF-8, checked by the connection) or binary.
struct VLWebSocketMessage {
    bool isText = false;
    VLData data;
};

// What a WebSocket session tells about its tasks. Every method is called on the session's thread.
class VLWebSocketTaskDelegate {
public:
    virtual ~VLWebSocketTaskDelegate() = default;

    // The handshake completed; the protocol the server chose, "" when none.
    virtual void didOpen(VLWebSocketTask& task, const std::string& protocol) = 0;
    // The next message. Its bytes count as waiting until the receiver gives them back with
    // consumeReceivedBytes(); the task stops reading while too many wait.
    virtual void didReceiveMessage(VLWebSocketTask& task, VLWebSocketMessage message) = 0;
    // The server closed the connection with this frame (code 1005 when it gave none), unasked.
    virtual void didReceiveClose(VLWebSocketTask& task, uint16_t code, const std::string& reason) = 0;
    // Once per resumed or cancelled task, last: nullptr after a clean close, else a URL-domain error.
    virtual void didComplete(VLWebSocketTask& task, const VLErrorRef& error) = 0;
};
