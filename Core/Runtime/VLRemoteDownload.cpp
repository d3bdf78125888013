#include "Core/Runtime/VLRemoteDownload.h"

#include "Platform/Network/VLHTTPDataTask.h"

void VLRemoteDownload::cancel() {
    std::shared_ptr<VLHTTPDataTask> task;
    {
        std::lock_guard lock(_lock);
        _completion = nullptr;
        task = _sessionTask;
    }
    if (task)
        task->cancel();
}

void VLRemoteDownload::setSessionTask(std::shared_ptr<VLHTTPDataTask> task) {
    bool ended;
    {
        std::lock_guard lock(_lock);
        _sessionTask = task;
        ended = !_completion;
    }
    // Cancelled or failed before the task was known.
    if (ended)
        task->cancel();
}

VLRemoteDownload::Completion VLRemoteDownload::takeCompletion() {
    std::lock_guard lock(_lock);
    return std::exchange(_completion, nullptr);
}

void VLRemoteDownload::finish(std::optional<VLData> data, const VLErrorRef& error) {
    if (Completion completion = takeCompletion())
        completion(std::move(data), error);
}

void VLRemoteDownload::fail(const VLErrorRef& error) {
    Completion completion = takeCompletion();
    std::shared_ptr<VLHTTPDataTask> task;
    {
        std::lock_guard lock(_lock);
        task = _sessionTask;
    }
    if (task)
        task->cancel();
    if (completion)
        completion(std::nullopt, error);
}
