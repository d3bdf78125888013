#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Platform/Foundation/VLURL.h"

#include <cstdint>
#include <memory>
#include <string>

class VLWebSocketTask;

// One WebSocket connection of the Network binding, from connect() until it is reported closed or the
// binding ends. JavaScript thread only.
class VLNetworkSocket {
public:
    VLNetworkSocket(std::shared_ptr<VLWebSocketTask> task, VLJSProtectedValue listener, VLURL URL,
                    VLJSEngine::PendingWork pendingWork)
        : task(std::move(task)), listener(std::move(listener)), URL(std::move(URL)),
          _pendingWork(std::move(pendingWork)) {}
    VLNetworkSocket(const VLNetworkSocket&) = delete;
    VLNetworkSocket& operator=(const VLNetworkSocket&) = delete;

    std::shared_ptr<VLWebSocketTask> task;
    // Receives open, message, error and close; protected while the connection is in the maps.
    VLJSProtectedValue listener;
    // The URL connected to, after the scheme change.
    VLURL URL;
    // The handshake completed.
    bool opened = false;
    // The script asked to close, with this code and reason.
    bool closing = false;
    int64_t closeCode = 1000;
    std::string closeReason;
    // Bytes handed to send() whose sending has not completed yet.
    double bufferedAmount = 0;

private:
    // An open connection keeps a tool that runs scripts to their end waiting.
    VLJSEngine::PendingWork _pendingWork;
};
