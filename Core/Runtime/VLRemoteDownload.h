#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class VLHTTPDataTask;

// The handle of one download of VLRemoteResource. Its completion runs at most once: the first of the
// download's end, its failure and its time-out reaches it; cancel() makes sure that none does.
// Any thread; the handle's state is under its lock.
class VLRemoteDownload final {
public:
    // The data, or nothing and an error.
    using Completion = std::function<void(std::optional<VLData> data, const VLErrorRef& error)>;

    explicit VLRemoteDownload(Completion completion) : _completion(std::move(completion)) {}
    VLRemoteDownload(const VLRemoteDownload&) = delete;
    VLRemoteDownload& operator=(const VLRemoteDownload&) = delete;

    // Drops the completion, which is then never called, and ends the transfer.
    void cancel();

    // For VLRemoteResource.
    void setSessionTask(std::shared_ptr<VLHTTPDataTask> task);
    // Hands the outcome to the completion unless another got there first.
    void finish(std::optional<VLData> data, const VLErrorRef& error);
    // finish() with the error, and the transfer ended.
    void fail(const VLErrorRef& error);

private:
    Completion takeCompletion();

    std::mutex _lock; // guards the two members below
    std::shared_ptr<VLHTTPDataTask> _sessionTask;
    Completion _completion;
};
