#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLHTTPResponse.h"

#include <cstdint>
#include <functional>
#include <span>

class VLHTTPDataTask;

// What an HTTP session tells about its tasks. Every method is called on the session's thread.
class VLHTTPSessionDelegate {
public:
    virtual ~VLHTTPSessionDelegate() = default;

    // A redirect to `location` (resolved against the URL that answered). Answer once, from any
    // thread: follow it, or end the task as cancelled.
    virtual void willPerformRedirection(VLHTTPDataTask& task, const VLHTTPResponse& response,
                                        const VLURL& location, std::function<void(bool follow)> decide) = 0;
    // The final response's head; false cancels the task.
    virtual bool didReceiveResponse(VLHTTPDataTask& task, const VLHTTPResponse& response) = 0;
    // One piece of the body, valid only during the call. libcurl hands bodies on in pieces of 16 KiB.
    virtual void didReceiveData(VLHTTPDataTask& task, std::span<const uint8_t> data) = 0;
    // The pieces that had arrived are all handed on; more may follow. For a delegate that gathers
    // pieces before passing them on.
    virtual void didReceiveAvailableData(VLHTTPDataTask&) {}
    // Once per resumed or cancelled task: nullptr on success, else a URL-domain error.
    virtual void didComplete(VLHTTPDataTask& task, const VLErrorRef& error) = 0;
};
