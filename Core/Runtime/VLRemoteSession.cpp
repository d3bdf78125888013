#include "Core/Runtime/VLRemoteSession.h"

#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/VLRemoteError.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLHTTPDataTask.h"
#include "Platform/Network/VLHTTPSession.h"

const std::shared_ptr<VLRemoteSession>& VLRemoteSession::shared() {
    // Lives as long as the process, its thread too.
    static const std::shared_ptr<VLRemoteSession>* session = [] {
        auto* made = new std::shared_ptr<VLRemoteSession>(new VLRemoteSession());
        (*made)->_session =
            VLHTTPSession::create(VLStringWithFormat("%@.remote-resource", kVLReverseDomainPrefix), *made);
        return made;
    }();
    return *session;
}

bool VLRemoteSession::isCurrent() const {
    return _session->isCurrent();
}

std::shared_ptr<VLHTTPDataTask> VLRemoteSession::start(VLHTTPRequest request,
                                                       std::shared_ptr<VLRemoteTask> task) {
    if (task->check.checksAddresses()) {
        request.connectionFilter = [weakTask = std::weak_ptr(task)](const VLURL& url,
                                                                    const VLNetworkAddress& address) {
            std::shared_ptr<VLRemoteTask> task = weakTask.lock();
            if (!task)
                return false;
            std::optional<std::string> denial = task->check.checkAddress(url, address);
            if (denial)
                task->setDenial(VLMakeRemoteError(url, *denial));
            return !denial;
        };
    }
    const VLURL url = request.url;
    std::shared_ptr<VLHTTPDataTask> dataTask = _session->dataTaskWithRequest(std::move(request));
    {
        std::lock_guard lock(_lock);
        _tasks[dataTask->taskIdentifier()] = task;
    }
    VLGlobalQueue::async([self = shared_from_this(), dataTask, task = std::move(task), url] {
        std::optional<std::string> denial = task->check(url);
        if (!denial) {
            dataTask->resume();
            return;
        }
        // Out of the table first, so that the cancellation's own completion finds nothing to tell.
        {
            std::lock_guard lock(self->_lock);
            self->_tasks.erase(dataTask->taskIdentifier());
        }
        dataTask->cancel();
        if (task->completion)
            task->completion(VLMakeRemoteError(url, *denial));
    });
    return dataTask;
}

std::shared_ptr<VLRemoteTask> VLRemoteSession::taskFor(const VLHTTPDataTask& task) {
    std::lock_guard lock(_lock);
    const auto found = _tasks.find(task.taskIdentifier());
    return found == _tasks.end() ? nullptr : found->second;
}

void VLRemoteSession::willPerformRedirection(VLHTTPDataTask& task, const VLHTTPResponse&,
                                             const VLURL& location, std::function<void(bool follow)> decide) {
    std::shared_ptr<VLRemoteTask> remoteTask = taskFor(task);
    if (!remoteTask) {
        decide(false);
        return;
    }
    VLGlobalQueue::async([remoteTask = std::move(remoteTask), location, decide = std::move(decide)] {
        std::optional<std::string> denial = remoteTask->check(location);
        // The task ends as cancelled; its reason is kept for the error it ends with.
        if (denial)
            remoteTask->setDenial(VLMakeRemoteError(location, *denial));
        decide(!denial);
    });
}

bool VLRemoteSession::didReceiveResponse(VLHTTPDataTask& task, const VLHTTPResponse& response) {
    std::shared_ptr<VLRemoteTask> remoteTask = taskFor(task);
    if (!remoteTask)
        return false;
    return !remoteTask->response || remoteTask->response(response);
}

void VLRemoteSession::didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) {
    std::shared_ptr<VLRemoteTask> remoteTask = taskFor(task);
    if (remoteTask && remoteTask->data)
        remoteTask->data(data);
}

void VLRemoteSession::didComplete(VLHTTPDataTask& task, const VLErrorRef& error) {
    std::shared_ptr<VLRemoteTask> remoteTask;
    {
        std::lock_guard lock(_lock);
        const auto found = _tasks.find(task.taskIdentifier());
        if (found == _tasks.end())
            return; // the check stopped it, and has told its caller
        remoteTask = std::move(found->second);
        _tasks.erase(found);
    }
    VLErrorRef denial = error ? remoteTask->denial() : nullptr;
    if (remoteTask->completion)
        remoteTask->completion(denial ? denial : error);
}
