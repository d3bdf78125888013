#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Network/VLHTTPRequest.h"
#include "Platform/Network/VLHTTPResponse.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class VLHTTPSession;

// One request of an HTTP session and its transfer, redirects included. Made suspended; resume()
// starts it and cancel() ends it, each from any thread. The identifier and the request never change;
// everything else belongs to the session's thread.
class VLHTTPDataTask final : public std::enable_shared_from_this<VLHTTPDataTask> {
public:
    // Redirects followed before the next one fails the task.
    static constexpr int kMaximumRedirects = 16;

    ~VLHTTPDataTask();
    VLHTTPDataTask(const VLHTTPDataTask&) = delete;
    VLHTTPDataTask& operator=(const VLHTTPDataTask&) = delete;

    uint64_t taskIdentifier() const { return _identifier; }
    const VLHTTPRequest& originalRequest() const { return _request; }
    // The URL being fetched: the request's, then each followed redirect's. Session thread.
    const VLURL& currentURL() const { return _currentURL; }

    // Later calls do nothing.
    void resume();
    // Ends the task as cancelled unless it has completed; no data is handed on after this returns
    // (a piece being handed on during the call goes to its end).
    void cancel();

private:
    friend class VLHTTPSession;

    VLHTTPDataTask(std::weak_ptr<VLHTTPSession> session, uint64_t identifier, VLHTTPRequest request);

    // Session thread.
    void cancelNow();
    void startHop();
    void beginTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses);
    bool configureTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses);
    void transferDidEnd(CURLcode result);
    void redirect();
    void complete(const VLErrorRef& error);
    void releaseHandle();
    bool headerLine(std::string_view line);
    bool headersEnded();
    VLErrorRef errorFor(CURLcode result) const;

    static size_t onHeader(char* bytes, size_t size, size_t count, void* task);
    static size_t onData(char* bytes, size_t size, size_t count, void* task);
    static curl_socket_t onOpenSocket(void* task, curlsocktype purpose, curl_sockaddr* address);

    const std::weak_ptr<VLHTTPSession> _session;
    const uint64_t _identifier;
    const VLHTTPRequest _request;
    std::atomic<bool> _resumed{false};
    std::atomic<bool> _cancelled{false};

    // Session thread.
    VLURL _currentURL;
    CURL* _handle = nullptr;
    curl_slist* _headerList = nullptr;
    curl_slist* _resolveList = nullptr;
    int _redirects = 0;
    bool _completed = false;
    // The head being received; a block of 1xx heads is skipped.
    long _statusCode = 0;
    VLHTTPResponse::Headers _headers;
    size_t _headerBytes = 0;
    bool _headersTooLarge = false;
    bool _responseDelivered = false;
    std::optional<VLHTTPResponse> _redirectResponse;
    std::optional<VLURL> _redirectLocation;
    char _errorBuffer[CURL_ERROR_SIZE] = {};
};
