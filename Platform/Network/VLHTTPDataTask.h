#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Network/VLHTTPRequest.h"
#include "Platform/Network/VLHTTPResponse.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLHTTPSession;
class VLHTTPSessionDelegate;

// One request of an HTTP session and its transfer, redirects included. Made suspended: resume() starts
// it, suspend() holds it (no more of the body is handed on until the next resume()), cancel() ends it,
// each from any thread. The identifier and the request never change; everything else belongs to the
// session's thread, except the count of body bytes not yet consumed (atomic).
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

    // Starts the task, or takes back a suspend(). Does nothing while it runs.
    void resume();
    // Holds the task until the next resume(): a task not started yet stays so, a running transfer
    // stops reading before the next piece of its body (on the session's thread, the very next one).
    // Does nothing while it is held.
    void suspend();
    // Ends the task as cancelled unless it has completed; no data is handed on after this returns
    // (a piece being handed on during the call goes to its end).
    void cancel();
    // Held: never resumed, or suspended since the last resume(). Any thread.
    bool isSuspended() const { return _suspended.load(); }
    // Body bytes handed to the delegate and not consumed yet, and whether the transfer waits for room.
    uint64_t unconsumedBodyBytes() const { return _unconsumedBytes.load(); }
    bool waitsForRoom() const { return _waitsForRoom.load(); }
    // Gives back body bytes that the delegate was handed, for a request with a maximum of unconsumed
    // bytes; a transfer that waited for room goes on once half the maximum is free.
    void consumeBody(size_t byteCount);

private:
    friend class VLHTTPSession;

    VLHTTPDataTask(std::weak_ptr<VLHTTPSession> session, uint64_t identifier, VLHTTPRequest request);

    // Session thread.
    std::shared_ptr<VLHTTPSessionDelegate> delegate() const;
    void resumeNow();
    void start();
    void startLocal();
    void cancelNow();
    void startHop();
    void beginTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses);
    bool configureTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses);
    void configureMethod();
    curl_slist* makeHeaderList() const;
    void transferDidEnd(CURLcode result);
    void redirect();
    void followRedirect(const VLURL& location);
    void complete(const VLErrorRef& error);
    void releaseHandle();
    bool headerLine(std::string_view line);
    bool headersEnded();
    VLErrorRef errorFor(CURLcode result) const;
    // Whether a piece of the body of that length may be handed on now; counts it when so.
    bool admitBody(size_t length);
    bool hasRoomFor(size_t length) const;
    // Takes up the body again after a hold ended, if nothing else holds it.
    void continueBody();
    void windowDidOpen();
    void pumpLocalBody();
    // Tells the delegate that what arrived in this pass of the session is handed on.
    void endDataPass();

    static size_t onHeader(char* bytes, size_t size, size_t count, void* task);
    static size_t onData(char* bytes, size_t size, size_t count, void* task);
    static curl_socket_t onOpenSocket(void* task, curlsocktype purpose, curl_sockaddr* address);

    const std::weak_ptr<VLHTTPSession> _session;
    const uint64_t _identifier;
    const VLHTTPRequest _request;
    std::atomic<bool> _cancelled{false};
    std::atomic<bool> _suspended{true};
    // Body bytes handed on and not yet consumed, and whether the transfer waits for room: any thread.
    std::atomic<uint64_t> _unconsumedBytes{0};
    std::atomic<bool> _waitsForRoom{false};

    // Session thread.
    bool _started = false;
    bool _running = false;
    bool _completed = false;
    VLURL _currentURL;
    // What the current hop sends: a redirect may turn the request into a GET without a body.
    std::string _method;
    std::shared_ptr<const VLData> _body;
    bool _dropsBodyHeaders = false;
    CURL* _handle = nullptr;
    bool _inTransfer = false;
    // The write callback asked libcurl to pause.
    bool _transferPaused = false;
    // Pieces were handed on since the session's last pass.
    bool _receivedInPass = false;
    curl_slist* _headerList = nullptr;
    curl_slist* _resolveList = nullptr;
    int _redirects = 0;
    // The head being received; a block of 1xx heads is skipped.
    long _statusCode = 0;
    VLHTTPResponse::Headers _headers;
    size_t _headerBytes = 0;
    bool _headersTooLarge = false;
    bool _responseDelivered = false;
    std::optional<VLHTTPResponse> _redirectResponse;
    std::optional<VLURL> _redirectLocation;
    char _errorBuffer[CURL_ERROR_SIZE] = {};
    // A data: URL's body and how much of it was handed on.
    bool _isLocal = false;
    VLData _localBody;
    size_t _localOffset = 0;
};
