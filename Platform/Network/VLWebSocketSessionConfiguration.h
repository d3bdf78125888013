#pragma once

#include <chrono>

// What a WebSocket session does for every connection it makes. A value type.
struct VLWebSocketSessionConfiguration {
    // How long connecting, TLS and the handshake each may take.
    std::chrono::seconds idleLimit{60};
};
