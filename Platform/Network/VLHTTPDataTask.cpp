#include "Platform/Network/VLHTTPDataTask.h"

#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Network/VLDataURL.h"
#include "Platform/Network/VLHTTPSession.h"
#include "Platform/Network/VLHTTPSessionDelegate.h"
#include "Platform/Network/VLHostResolver.h"
#include "Platform/Network/VLURLError.h"

#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <span>

namespace {

// Pieces of about the size the curl tool reads in.
constexpr long kBufferSize = 512 * 1024;
// Idle and connection limits: a stalled server ends the task, a slow one does not.
constexpr long kIdleSeconds = 60;
// More than any sane server sends before its body; curl has its own limits too.
constexpr size_t kMaximumHeaderBytes = 256 * 1024;

bool isRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// A redirect that continues as a GET without a body: a 303 (but after a HEAD), or a 301 or 302 after a
// POST. 307 and 308 keep the method and the body.
bool redirectBecomesGET(long status, const std::string& method) {
    return (status == 303 && method != "HEAD") || ((status == 301 || status == 302) && method == "POST");
}

// The fields that describe a body, which go when a redirect drops the body.
bool isBodyHeader(const std::string& name) {
    const std::string lower = VLASCIILowercaseString(name);
    return lower == "content-type" || lower == "content-encoding" || lower == "content-language" ||
           lower == "content-location" || lower == "content-length";
}

bool hasHeader(const VLHTTPRequest::Headers& headers, std::string_view name) {
    const std::string wanted = VLASCIILowercaseString(name);
    for (const auto& header : headers) {
        if (VLASCIILowercaseString(header.first) == wanted)
            return true;
    }
    return false;
}

curl_slist* appendLine(curl_slist* list, const std::string& line) {
    curl_slist* longer = curl_slist_append(list, line.c_str());
    return longer ? longer : list;
}

std::string_view trimmed(std::string_view text) {
    const size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

int64_t codeFor(CURLcode result) {
    switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
        return VLURLErrorTimedOut;
    case CURLE_COULDNT_RESOLVE_HOST:
        return VLURLErrorCannotFindHost;
    case CURLE_COULDNT_CONNECT:
        return VLURLErrorCannotConnectToHost;
    case CURLE_URL_MALFORMAT:
        return VLURLErrorBadURL;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return VLURLErrorUnsupportedURL;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        return VLURLErrorBadServerResponse;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED:
        return VLURLErrorSecureConnectionFailed;
    default:
        // The connection broke: nothing, too little, or a failed read or write.
        return VLURLErrorNetworkConnectionLost;
    }
}

// The port a connection for the URL goes to; 0 when libcurl would refuse the scheme anyway.
int portOf(const VLURL& url) {
    if (url.port())
        return *url.port();
    const std::string scheme = url.lowercaseScheme();
    return scheme == "https" ? 443 : scheme == "http" ? 80 : 0;
}

// "host:port:address,address" entries that make libcurl use our answer instead of its own lookup: for
// the name as written and lower-cased without trailing dots, which is how libcurl may key it.
curl_slist* resolveList(const std::string& host, int port, const std::vector<VLNetworkAddress>& addresses) {
    std::string joined;
    for (const VLNetworkAddress& address : addresses) {
        if (!joined.empty())
            joined += ',';
        joined += address.isIPv6() ? "[" + address.text() + "]" : address.text();
    }
    std::string bare = VLASCIILowercaseString(host);
    while (!bare.empty() && bare.back() == '.')
        bare.pop_back();
    curl_slist* list = nullptr;
    for (const std::string& name : {host, bare}) {
        const std::string entry = VLStringWithFormat("%@:%d:%@", name, port, joined);
        if (curl_slist* longer = curl_slist_append(list, entry.c_str()))
            list = longer;
    }
    return list;
}

} // namespace

VLHTTPDataTask::VLHTTPDataTask(std::weak_ptr<VLHTTPSession> session, uint64_t identifier,
                               VLHTTPRequest request)
    : _session(std::move(session)), _identifier(identifier), _request(std::move(request)),
      _currentURL(_request.url), _method(_request.method), _body(_request.body) {}

VLHTTPDataTask::~VLHTTPDataTask() {
    if (_handle)
        curl_easy_cleanup(_handle);
    curl_slist_free_all(_headerList);
    curl_slist_free_all(_resolveList);
}

std::shared_ptr<VLHTTPSessionDelegate> VLHTTPDataTask::delegate() const {
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    return session ? session->delegate() : nullptr;
}

// A task that runs may take its hold back at once on the session's thread; starting one adds a transfer,
// which libcurl refuses from within its callbacks, so it is posted.
void VLHTTPDataTask::resume() {
    _suspended.store(false);
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    if (session && session->isCurrent() && _started)
        resumeNow();
    else if (session)
        session->post([self = shared_from_this()] { self->resumeNow(); });
}

// On the session's thread the hold starts with the next piece; from elsewhere, once the session has
// taken the call.
void VLHTTPDataTask::suspend() {
    _suspended.store(true);
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    if (session && session->isCurrent())
        _running = false;
    else if (session)
        session->post([self = shared_from_this()] { self->_running = false; });
}

void VLHTTPDataTask::cancel() {
    _cancelled.store(true);
    if (std::shared_ptr<VLHTTPSession> session = _session.lock())
        session->post([self = shared_from_this()] { self->cancelNow(); });
}

void VLHTTPDataTask::consumeBody(size_t byteCount) {
    const uint64_t left = _unconsumedBytes.fetch_sub(byteCount) - byteCount;
    if (!_waitsForRoom.load() || left > _request.maximumUnconsumedBodyBytes / 2)
        return;
    if (std::shared_ptr<VLHTTPSession> session = _session.lock())
        session->post([self = shared_from_this()] { self->windowDidOpen(); });
}

void VLHTTPDataTask::resumeNow() {
    if (_completed || _running)
        return;
    _running = true;
    if (!_started) {
        _started = true;
        start();
    } else {
        continueBody();
    }
}

void VLHTTPDataTask::start() {
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    if (!session)
        return;
    session->taskDidStart(shared_from_this());
    if (session->_invalidated || _cancelled.load()) {
        cancelNow();
        return;
    }
    // No cache: what may only come from one is not there.
    if (_request.cachePolicy == VLHTTPRequest::CachePolicy::returnCacheDataDontLoad) {
        complete(VLMakeURLError(VLURLErrorResourceUnavailable, "resource unavailable",
                                _currentURL.absoluteString()));
        return;
    }
    if (_currentURL.lowercaseScheme() == "data")
        startLocal();
    else
        startHop();
}

void VLHTTPDataTask::startLocal() {
    std::optional<VLDataURL> dataURL = VLDataURL::parse(_currentURL.absoluteString());
    if (!dataURL) {
        complete(VLMakeURLError(VLURLErrorBadURL, "bad URL", _currentURL.absoluteString()));
        return;
    }
    _isLocal = true;
    const VLHTTPResponse response = VLHTTPResponse::local(
        _currentURL, dataURL->MIMEType(), dataURL->charset(), int64_t(dataURL->body().size()));
    if (_method != "HEAD")
        _localBody = dataURL->takeBody();
    std::shared_ptr<VLHTTPSessionDelegate> delegate = this->delegate();
    if (!delegate)
        return;
    _responseDelivered = true;
    if (!delegate->didReceiveResponse(*this, response)) {
        cancelNow();
        return;
    }
    pumpLocalBody();
}

// Hands on the body a piece at a time while nothing holds it; a hold's end calls it again.
void VLHTTPDataTask::pumpLocalBody() {
    while (!_completed) {
        if (_cancelled.load()) {
            cancelNow();
            return;
        }
        if (_localOffset >= _localBody.size()) {
            complete(nullptr);
            return;
        }
        const size_t length = std::min(_localBody.size() - _localOffset, size_t(kBufferSize));
        if (!admitBody(length)) {
            endDataPass();
            return;
        }
        std::shared_ptr<VLHTTPSessionDelegate> delegate = this->delegate();
        if (!delegate)
            return;
        delegate->didReceiveData(*this, std::span(_localBody.data() + _localOffset, length));
        _receivedInPass = true;
        _localOffset += length;
    }
}

void VLHTTPDataTask::endDataPass() {
    if (!_receivedInPass)
        return;
    _receivedInPass = false;
    if (std::shared_ptr<VLHTTPSessionDelegate> delegate = this->delegate())
        delegate->didReceiveAvailableData(*this);
}

void VLHTTPDataTask::cancelNow() {
    _cancelled.store(true);
    if (!_completed)
        complete(VLMakeURLError(VLURLErrorCancelled, "cancelled", _currentURL.absoluteString()));
}

// Each hop resolves its host apart from the session's thread, so a slow name server holds up nobody
// else; literals need no lookup.
void VLHTTPDataTask::startHop() {
    if (_completed)
        return;
    if (_cancelled.load()) {
        cancelNow();
        return;
    }
    std::string host = _currentURL.host().value_or("");
    if (host.empty() || portOf(_currentURL) == 0 ||
        VLNetworkAddress::fromLiteral(host.size() > 2 && host.front() == '[' ? host.substr(1, host.size() - 2)
                                                                             : host)) {
        beginTransfer(std::nullopt);
        return;
    }
    VLGlobalQueue::async([self = shared_from_this(), host = std::move(host)] {
        std::vector<VLNetworkAddress> addresses = VLHostResolver::resolve(host);
        if (std::shared_ptr<VLHTTPSession> session = self->_session.lock())
            session->post([self, addresses = std::move(addresses)] { self->beginTransfer(addresses); });
    });
}

void VLHTTPDataTask::beginTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses) {
    if (_completed)
        return;
    if (_cancelled.load()) {
        cancelNow();
        return;
    }
    if (addresses && addresses->empty()) {
        complete(
            VLMakeURLError(VLURLErrorCannotFindHost,
                           VLStringWithFormat("Could not resolve host: %@", _currentURL.host().value_or("")),
                           _currentURL.absoluteString()));
        return;
    }
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    if (!session)
        return;
    if (!configureTransfer(addresses)) {
        complete(VLMakeURLError(VLURLErrorUnknown, "out of memory", _currentURL.absoluteString()));
        return;
    }
    _inTransfer = true;
    session->addTransfer(shared_from_this(), _handle);
}

bool VLHTTPDataTask::configureTransfer(const std::optional<std::vector<VLNetworkAddress>>& addresses) {
    // A fresh handle for each hop: curl_easy_reset keeps what the cookie engine was asked to read and
    // loses track of it, and connections live in the multi handle anyway.
    if (_handle)
        curl_easy_cleanup(_handle);
    _handle = curl_easy_init();
    if (!_handle)
        return false;
    _statusCode = 0;
    _headers.clear();
    _headerBytes = 0;
    _headersTooLarge = false;
    _responseDelivered = false;
    _transferPaused = false;
    _redirectResponse.reset();
    _redirectLocation.reset();
    _errorBuffer[0] = '\0';

    curl_slist_free_all(_headerList);
    _headerList = makeHeaderList();
    curl_slist_free_all(_resolveList);
    _resolveList =
        addresses ? resolveList(_currentURL.host().value_or(""), portOf(_currentURL), *addresses) : nullptr;

    CURL* h = _handle;
    curl_easy_setopt(h, CURLOPT_URL, _currentURL.absoluteString().c_str());
    curl_easy_setopt(h, CURLOPT_PRIVATE, this);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kIdleSeconds);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kIdleSeconds);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kBufferSize);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, _errorBuffer);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, _headerList);
    curl_easy_setopt(h, CURLOPT_RESOLVE, _resolveList);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &VLHTTPDataTask::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &VLHTTPDataTask::onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &VLHTTPDataTask::onOpenSocket);
    curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, this);
    if (_request.connectionFilter)
        curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
    configureMethod();
    if (std::shared_ptr<VLHTTPSession> session = _session.lock()) {
        if (session->configuration().decodesContent)
            curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
        if (CURLSH* share = session->cookieShare()) {
            curl_easy_setopt(h, CURLOPT_SHARE, share);
            curl_easy_setopt(h, CURLOPT_COOKIEFILE, ""); // the cookie engine, reading no file
        }
    }
    return true;
}

void VLHTTPDataTask::configureMethod() {
    CURL* h = _handle;
    if (_method == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
        return;
    }
    if (_method == "GET" && !_body)
        return;
    // Other methods send their body, or an empty one so that the server reads a length of 0.
    static const uint8_t nothing = 0;
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(_body ? _body->size() : 0));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, _body && !_body->empty() ? _body->data() : &nothing);
    if (_method != "POST")
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, _method.c_str());
}

// The request's fields, then the session's own where the request has none of the name. libcurl adds
// a Content-Type to bodies and asks servers to confirm large ones: empty fields keep both out.
curl_slist* VLHTTPDataTask::makeHeaderList() const {
    VLHTTPRequest::Headers headers;
    for (const auto& header : _request.headers) {
        if (!_dropsBodyHeaders || !isBodyHeader(header.first))
            headers.push_back(header);
    }
    if (std::shared_ptr<VLHTTPSession> session = _session.lock()) {
        for (const auto& header : session->configuration().additionalHeaders) {
            if (!hasHeader(_request.headers, header.first))
                headers.push_back(header);
        }
    }
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers)
        list = appendLine(list, value.empty() ? name + ";" : name + ": " + value);
    for (const char* name : {"Content-Type", "Expect"}) {
        if (!hasHeader(headers, name))
            list = appendLine(list, std::string(name) + ":");
    }
    return list;
}

void VLHTTPDataTask::transferDidEnd(CURLcode result) {
    _inTransfer = false;
    if (_completed)
        return;
    if (_cancelled.load()) {
        cancelNow();
        return;
    }
    if (_redirectLocation) {
        redirect();
        return;
    }
    if (_headersTooLarge) {
        complete(VLMakeURLError(VLURLErrorBadServerResponse, _errorBuffer, _currentURL.absoluteString()));
        return;
    }
    if (result != CURLE_OK) {
        complete(errorFor(result));
        return;
    }
    if (!_responseDelivered) {
        complete(VLMakeURLError(VLURLErrorBadServerResponse, "the server sent no response",
                                _currentURL.absoluteString()));
        return;
    }
    complete(nullptr);
}

void VLHTTPDataTask::redirect() {
    if (++_redirects > kMaximumRedirects) {
        complete(VLMakeURLError(VLURLErrorHTTPTooManyRedirects, "too many HTTP redirects",
                                _currentURL.absoluteString()));
        return;
    }
    std::shared_ptr<VLHTTPSessionDelegate> delegate = this->delegate();
    if (!delegate) {
        cancelNow();
        return;
    }
    const VLURL location = *_redirectLocation;
    delegate->willPerformRedirection(*this, *_redirectResponse, location,
                                     [self = shared_from_this(), location](bool follow) {
                                         std::shared_ptr<VLHTTPSession> session = self->_session.lock();
                                         if (!session)
                                             return;
                                         session->post([self, location, follow] {
                                             if (self->_completed)
                                                 return;
                                             if (follow)
                                                 self->followRedirect(location);
                                             else
                                                 self->cancelNow();
                                         });
                                     });
}

void VLHTTPDataTask::followRedirect(const VLURL& location) {
    if (redirectBecomesGET(_redirectResponse->statusCode(), _method)) {
        _method = "GET";
        _body = nullptr;
        _dropsBodyHeaders = true;
    }
    _currentURL = location;
    startHop();
}

void VLHTTPDataTask::complete(const VLErrorRef& error) {
    _completed = true;
    std::shared_ptr<VLHTTPDataTask> keep = shared_from_this();
    std::shared_ptr<VLHTTPSession> session = _session.lock();
    if (session && _handle && _inTransfer)
        session->removeTransfer(_handle);
    _inTransfer = false;
    releaseHandle();
    _localBody = {};
    if (session)
        session->taskDidComplete(*this);
    if (std::shared_ptr<VLHTTPSessionDelegate> delegate = session ? session->delegate() : nullptr)
        delegate->didComplete(*this, error);
}

void VLHTTPDataTask::releaseHandle() {
    if (_handle)
        curl_easy_cleanup(_handle);
    _handle = nullptr;
    curl_slist_free_all(_headerList);
    _headerList = nullptr;
    curl_slist_free_all(_resolveList);
    _resolveList = nullptr;
}

VLErrorRef VLHTTPDataTask::errorFor(CURLcode result) const {
    const std::string description = _errorBuffer[0] ? std::string(_errorBuffer) : curl_easy_strerror(result);
    // Our URLs are http(s): what libcurl calls an unsupported protocol then is a reply that is not HTTP.
    const bool badReply = result == CURLE_UNSUPPORTED_PROTOCOL && portOf(_currentURL) != 0;
    return VLMakeURLError(badReply ? VLURLErrorBadServerResponse : codeFor(result), description,
                          _currentURL.absoluteString());
}

// Flow control. A suspend() or a full window holds the body: the write callback then pauses the
// transfer (libcurl keeps the piece and hands it over again), and a data: URL stops its pump.

bool VLHTTPDataTask::hasRoomFor(size_t length) const {
    const uint64_t unconsumed = _unconsumedBytes.load();
    return unconsumed == 0 || unconsumed + length <= _request.maximumUnconsumedBodyBytes;
}

bool VLHTTPDataTask::admitBody(size_t length) {
    if (!_running)
        return false;
    if (_request.maximumUnconsumedBodyBytes == 0)
        return true;
    if (!hasRoomFor(length)) {
        // Marked before looking again, so that a consumer that makes room meanwhile sees the mark and
        // calls windowDidOpen(), or this second look sees its room.
        _waitsForRoom.store(true);
        if (!hasRoomFor(length))
            return false;
        _waitsForRoom.store(false);
    }
    _unconsumedBytes.fetch_add(length);
    return true;
}

void VLHTTPDataTask::windowDidOpen() {
    if (!_waitsForRoom.load() || _unconsumedBytes.load() > _request.maximumUnconsumedBodyBytes / 2)
        return;
    _waitsForRoom.store(false);
    continueBody();
}

void VLHTTPDataTask::continueBody() {
    if (_completed || !_running || _waitsForRoom.load())
        return;
    if (_isLocal) {
        pumpLocalBody();
    } else if (_transferPaused && _inTransfer) {
        _transferPaused = false;
        // May hand the kept piece over at once, through onData.
        curl_easy_pause(_handle, CURLPAUSE_CONT);
    }
}

// Header lines arrive one at a time: a status line starts a head, an empty line ends it.
bool VLHTTPDataTask::headerLine(std::string_view line) {
    if (_responseDelivered)
        return true; // trailers
    _headerBytes += line.size();
    if (_headerBytes > kMaximumHeaderBytes) {
        std::snprintf(_errorBuffer, sizeof _errorBuffer, "the server's headers are larger than %zu bytes",
                      kMaximumHeaderBytes);
        _headersTooLarge = true;
        return false;
    }
    if (line.starts_with("HTTP/")) {
        _statusCode = 0;
        _headers.clear();
        const size_t space = line.find(' ');
        if (space != std::string_view::npos) {
            const std::string_view code = trimmed(line.substr(space + 1)).substr(0, 3);
            std::from_chars(code.data(), code.data() + code.size(), _statusCode);
        }
        return true;
    }
    const std::string_view content = trimmed(line);
    if (content.empty())
        return _statusCode >= 100 && _statusCode < 200 ? true : headersEnded();
    const size_t colon = content.find(':');
    if (colon != std::string_view::npos && colon > 0)
        _headers.emplace_back(std::string(trimmed(content.substr(0, colon))),
                              std::string(trimmed(content.substr(colon + 1))));
    return true;
}

bool VLHTTPDataTask::headersEnded() {
    curl_off_t length = -1;
    curl_easy_getinfo(_handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    VLHTTPResponse response(_currentURL, _statusCode, length < 0 ? -1 : int64_t(length), std::move(_headers));
    _headers = {};
    if (_request.followsRedirects && isRedirectStatus(_statusCode)) {
        if (std::optional<std::string> location = response.valueForHeader("Location")) {
            // The body of a redirect is not wanted: ending the transfer here also spares reading it.
            _redirectLocation = VLURL(*location, _currentURL);
            _redirectResponse = std::move(response);
            return false;
        }
    }
    std::shared_ptr<VLHTTPSessionDelegate> delegate = this->delegate();
    if (!delegate || _cancelled.load())
        return false;
    _responseDelivered = true;
    if (!delegate->didReceiveResponse(*this, response)) {
        _cancelled.store(true);
        return false;
    }
    return !_cancelled.load();
}

size_t VLHTTPDataTask::onHeader(char* bytes, size_t size, size_t count, void* task) {
    auto* self = static_cast<VLHTTPDataTask*>(task);
    const size_t length = size * count;
    if (self->_cancelled.load() || !self->headerLine(std::string_view(bytes, length)))
        return 0; // ends the transfer
    return length;
}

size_t VLHTTPDataTask::onData(char* bytes, size_t size, size_t count, void* task) {
    auto* self = static_cast<VLHTTPDataTask*>(task);
    const size_t length = size * count;
    if (self->_cancelled.load() || !self->_responseDelivered)
        return 0;
    if (!self->admitBody(length)) {
        self->_transferPaused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    std::shared_ptr<VLHTTPSessionDelegate> delegate = self->delegate();
    if (!delegate)
        return 0;
    delegate->didReceiveData(*self, std::span(reinterpret_cast<const uint8_t*>(bytes), length));
    self->_receivedInPass = true;
    return self->_cancelled.load() ? 0 : length;
}

curl_socket_t VLHTTPDataTask::onOpenSocket(void* task, curlsocktype purpose, curl_sockaddr* address) {
    auto* self = static_cast<VLHTTPDataTask*>(task);
    if (purpose == CURLSOCKTYPE_IPCXN && self->_request.connectionFilter) {
        const std::optional<VLNetworkAddress> peer =
            VLNetworkAddress::fromSocketAddress(&address->addr, address->addrlen);
        if (!peer || !self->_request.connectionFilter(self->_currentURL, *peer))
            return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}
