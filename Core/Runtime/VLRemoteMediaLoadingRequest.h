#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// What a media reader asks a VLRemoteMediaLoader for, and where the answers go: the content's
// information (its type, length and whether it can be read by ranges), a range of its bytes, or both.
// Made by the reader; the handlers run on the loader's queue ("app.velto.remote-media"), in order, and
// not at all once the request is cancelled. The finish handler runs once, last.
class VLRemoteMediaLoadingRequest final : public std::enable_shared_from_this<VLRemoteMediaLoadingRequest> {
public:
    struct DataRequest {
        int64_t requestedOffset = 0;
        int64_t requestedLength = 0;
        // Then the length is not used.
        bool requestsAllDataToEndOfResource = false;
    };
    struct ContentInformation {
        // A MIME type.
        std::string contentType;
        int64_t contentLength = 0;
        bool byteRangeAccessSupported = false;
    };
    struct Handlers {
        std::function<void(const ContentInformation&)> contentInformation;
        std::function<void(const VLData& chunk)> data;
        // nullptr when everything asked for was delivered.
        std::function<void(const VLErrorRef& error)> finish;
    };

    VLRemoteMediaLoadingRequest(bool wantsContentInformation, std::optional<DataRequest> dataRequest,
                                Handlers handlers);
    VLRemoteMediaLoadingRequest(const VLRemoteMediaLoadingRequest&) = delete;
    VLRemoteMediaLoadingRequest& operator=(const VLRemoteMediaLoadingRequest&) = delete;

    bool wantsContentInformation() const { return _wantsContentInformation; }
    const std::optional<DataRequest>& dataRequest() const { return _dataRequest; }
    // Where the next delivered byte lies: the requested offset plus what was delivered.
    int64_t currentOffset() const { return _currentOffset.load(); }

    bool isCancelled() const { return _cancelled.load(); }
    bool isFinished() const { return _finished.load(); }

    // For the loader; any thread. Each hands its answer to the handlers on the queue.
    void setContentInformation(const ContentInformation& information);
    void respondWithData(VLData chunk);
    void finishLoading(const VLErrorRef& error);
    // Marks the request cancelled; false when it already was.
    bool markCancelled() { return !_cancelled.exchange(true); }

private:
    const bool _wantsContentInformation;
    const std::optional<DataRequest> _dataRequest;
    const Handlers _handlers;
    std::atomic<int64_t> _currentOffset;
    std::atomic<bool> _cancelled{false};
    std::atomic<bool> _finished{false};
};
