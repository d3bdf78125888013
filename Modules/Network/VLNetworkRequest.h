#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Platform/Foundation/VLURL.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLHTTPDataTask;

// One request of the Network binding, from request() until its listener's complete, its abort, or the
// binding's end. JavaScript thread only.
class VLNetworkRequest {
public:
    // A call for the listener that waits while the script holds the request paused.
    using ListenerCall = std::function<void()>;

    VLNetworkRequest(VLJSProtectedValue listener, std::optional<VLURL> URL, std::string redirect,
                     VLJSEngine::PendingWork pendingWork)
        : listener(std::move(listener)), URL(std::move(URL)), redirect(std::move(redirect)),
          _pendingWork(std::move(pendingWork)) {}
    VLNetworkRequest(const VLNetworkRequest&) = delete;
    VLNetworkRequest& operator=(const VLNetworkRequest&) = delete;

    // The session's task; none for files, object URLs and requests that failed before loading.
    std::shared_ptr<VLHTTPDataTask> task;
    // Receives response, data and complete; protected while the request lives.
    VLJSProtectedValue listener;
    // The URL the script asked for; nothing when it was empty or not a URL.
    std::optional<VLURL> URL;
    // "follow", "error", or any other text (not followed).
    std::string redirect;
    // The task waits for the check of its address and must not be resumed meanwhile.
    bool checkingAddress = false;
    // The script paused the request: listener calls wait in heldCalls until it resumes.
    bool paused = false;
    std::deque<ListenerCall> heldCalls;
    // Why a connection of the request was refused, which its failure tells in place of the session's.
    std::optional<std::string> denial;

private:
    // Keeps a tool that runs scripts to their end waiting for the request.
    VLJSEngine::PendingWork _pendingWork;
};
