#pragma once

#include "Core/Runtime/VLRemoteTask.h"
#include "Platform/Network/VLHTTPRequest.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"

#include <map>
#include <memory>
#include <mutex>

class VLHTTPDataTask;
class VLHTTPSession;

// The process's one session for the engine's own downloads: no cookies, no cache, its transfers on the
// thread "app.velto.remote-resource". Every request and every redirect passes its task's check first,
// on the global queue, since a check may resolve names; a check that judges addresses also judges each
// connection's address on the session's thread.
//
// Threads: start() from any thread; the task table is under _lock; the delegate methods run on the
// session's thread.
class VLRemoteSession final : public VLHTTPSessionDelegate,
                              public std::enable_shared_from_this<VLRemoteSession> {
public:
    static const std::shared_ptr<VLRemoteSession>& shared();

    // The transfer for the request, started once the task's check allows its URL; a refusal ends the
    // task with the reason and no connection is made.
    std::shared_ptr<VLHTTPDataTask> start(VLHTTPRequest request, std::shared_ptr<VLRemoteTask> task);

    // True on the session's thread, where nothing may wait for a transfer.
    bool isCurrent() const;

    void willPerformRedirection(VLHTTPDataTask& task, const VLHTTPResponse& response, const VLURL& location,
                                std::function<void(bool follow)> decide) override;
    bool didReceiveResponse(VLHTTPDataTask& task, const VLHTTPResponse& response) override;
    void didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) override;
    void didComplete(VLHTTPDataTask& task, const VLErrorRef& error) override;

private:
    VLRemoteSession() = default;
    std::shared_ptr<VLRemoteTask> taskFor(const VLHTTPDataTask& task);

    std::shared_ptr<VLHTTPSession> _session;
    mutable std::mutex _lock; // guards _tasks; any thread
    std::map<uint64_t, std::shared_ptr<VLRemoteTask>> _tasks;
};
