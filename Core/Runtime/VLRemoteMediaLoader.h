#pragma once

#include "Core/Runtime/VLRemoteCheck.h"
#include "Platform/Foundation/VLURL.h"

#include <map>
#include <memory>
#include <mutex>

class VLDispatchQueue;
class VLHTTPDataTask;
class VLRemoteMediaLoadingRequest;

// Reads one remote medium by ranges for a media reader (the media engine wraps it in its I/O): each
// loading request becomes one GET of the source URL under the check, with a Range header, answered
// through the request's handlers. A server that ignores ranges still gives the bytes asked for: the
// leading ones are skipped.
//
// Threads: load() and cancel() from any thread; the loader works on the process's queue
// "app.velto.remote-media", and its transfers on the remote session's thread. The request → transfer
// table is under _lock.
class VLRemoteMediaLoader final : public std::enable_shared_from_this<VLRemoteMediaLoader> {
public:
    static std::shared_ptr<VLRemoteMediaLoader> create(VLURL url, VLRemoteCheck check);
    VLRemoteMediaLoader(const VLRemoteMediaLoader&) = delete;
    VLRemoteMediaLoader& operator=(const VLRemoteMediaLoader&) = delete;

    const VLURL& URL() const { return _url; }

    // Starts loading what the request asks for.
    void load(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request);
    // Cancels the request: its transfer ends and its handlers hear nothing more.
    void cancel(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request);

    // The queue the loader works on and answers on.
    static const std::shared_ptr<VLDispatchQueue>& queue();

private:
    VLRemoteMediaLoader(VLURL url, VLRemoteCheck check) : _url(std::move(url)), _check(std::move(check)) {}

    // On the queue.
    void shouldWaitForLoadingOfRequestedResource(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request);
    void didCancelLoadingRequest(const std::shared_ptr<VLRemoteMediaLoadingRequest>& request);
    void forget(const VLRemoteMediaLoadingRequest* request);

    const VLURL _url;
    const VLRemoteCheck _check;
    std::mutex _lock; // guards _tasks; any thread
    // The transfers of requests under way, neither side held.
    std::map<const VLRemoteMediaLoadingRequest*, std::weak_ptr<VLHTTPDataTask>> _tasks;
};
