#include "Platform/Network/VLWebSocketTask.h"

#include "Platform/Foundation/VLComposedCharacters.h"
#include "Platform/Foundation/VLGlobalQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Network/VLHostResolver.h"
#include "Platform/Network/VLURLError.h"
#include "Platform/Network/VLWebSocketSession.h"
#include "Platform/Network/VLWebSocketSessionIO.h"

#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <deque>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;
using VLWebSocketErrorCode = boost::system::error_code;
using VLWebSocketEndpoint = boost::asio::ip::tcp::endpoint;

namespace {

constexpr size_t kMaximumCloseReasonBytes = 123;

VLWebSocketEndpoint endpointOf(const VLNetworkAddress& address, uint16_t port) {
    if (address.isIPv4())
        return {asio::ip::address_v4(address.ipv4()), port};
    return {asio::ip::address_v6(address.ipv6()), port};
}

// The error a script hears of: Foundation's words for what the transport did, Beast's for what the
// peer broke.
VLErrorRef webSocketError(const VLWebSocketErrorCode& ec, const VLURL& url) {
    if (ec == beast::error::timeout)
        return VLMakeURLError(VLURLErrorTimedOut, VLStringWithFormat("The request timed out."),
                              url.absoluteString());
    if (ec == asio::error::eof || ec == asio::error::connection_reset || ec == asio::error::broken_pipe ||
        ec == asio::ssl::error::stream_truncated)
        return VLMakeURLError(VLURLErrorNetworkConnectionLost,
                              VLStringWithFormat("The network connection was lost."), url.absoluteString());
    return VLMakeURLError(VLURLErrorBadServerResponse, ec.message(), url.absoluteString());
}

} // namespace

// The connection of a task, whatever its stream. Session thread, but for the constructor.
class VLWebSocketTask::Connection : public std::enable_shared_from_this<Connection> {
public:
    Connection(std::weak_ptr<VLWebSocketTask> task, VLWebSocketSession& session)
        : _task(std::move(task)), _session(session) {}
    virtual ~Connection() = default;

    void start(const std::vector<VLNetworkAddress>& addresses);
    void send(VLWebSocketMessage message, SendCompletion completion);
    void close(uint16_t code, std::string reason);
    void resumeReading();
    // Ends the connection as cancelled.
    void cancel() { complete(VLMakeURLError(VLURLErrorCancelled, "cancelled", url().absoluteString())); }

protected:
    struct Outgoing {
        VLWebSocketMessage message;
        SendCompletion completion;
    };

    virtual void connect(std::vector<VLWebSocketEndpoint> endpoints) = 0;
    virtual void write(const VLWebSocketMessage& message) = 0;
    virtual void closeHandshake(uint16_t code, const std::string& reason) = 0;
    virtual void read() = 0;
    virtual void closeTransport() = 0;

    const VLURL& url() const { return _url; }
    std::chrono::seconds idleLimit() const { return _session.configuration().idleLimit; }
    asio::io_context& context() const { return _session.io().context; }
    asio::ssl::context& tls() const { return _session.io().tls; }
    std::string host() const { return _url.host().value_or(""); }
    uint16_t port() const;
    // What the handshake asks for: the path with its query, and the Host field.
    std::string target() const;
    std::string hostField() const;
    const std::vector<std::string>& protocols() const { return _protocols; }

    // For the stream's steps.
    void didOpen(const std::string& protocol);
    void didRead(bool isText, VLData bytes);
    void readDidFail(const VLWebSocketErrorCode& ec, uint16_t closeCode, const std::string& closeReason);
    void writeDidEnd(const VLWebSocketErrorCode& ec);
    void closeDidEnd(const VLWebSocketErrorCode& ec);
    void fail(const VLWebSocketErrorCode& ec) { complete(webSocketError(ec, _url)); }
    bool isCompleted() const { return _completed; }
    void complete(const VLErrorRef& error);

private:
    friend class VLWebSocketTask;

    void pump();
    void readIfRoom();
    template <class Call>
    void tell(Call call);

    const std::weak_ptr<VLWebSocketTask> _task;
    VLWebSocketSession& _session;
    VLURL _url{""};
    std::vector<std::string> _protocols;

    bool _open = false;
    bool _reading = false;
    bool _writing = false;
    bool _completed = false;
    std::deque<Outgoing> _outgoing;
    std::optional<std::pair<uint16_t, std::string>> _pendingClose;
    bool _closeSent = false;
};

template <class Stream>
class VLWebSocketTask::StreamConnection final : public VLWebSocketTask::Connection {
public:
    template <class... StreamArguments>
    StreamConnection(std::weak_ptr<VLWebSocketTask> task, VLWebSocketSession& session,
                     StreamArguments&&... arguments)
        : Connection(std::move(task), session), _ws(std::forward<StreamArguments>(arguments)...) {}

private:
    void connect(std::vector<VLWebSocketEndpoint> endpoints) override;
    void secure();
    void handshake();
    void write(const VLWebSocketMessage& message) override;
    void closeHandshake(uint16_t code, const std::string& reason) override;
    void read() override;
    void closeTransport() override;

    std::shared_ptr<StreamConnection> strong() {
        return std::static_pointer_cast<StreamConnection>(shared_from_this());
    }

    websocket::stream<Stream> _ws;
    beast::flat_buffer _buffer;
    websocket::response_type _response;
    // The bytes of the message being written, kept until its write ends.
    VLData _writing;
};

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::connect(std::vector<VLWebSocketEndpoint> endpoints) {
    beast::get_lowest_layer(_ws).expires_after(idleLimit());
    beast::get_lowest_layer(_ws).async_connect(
        endpoints, [self = strong()](const VLWebSocketErrorCode& ec, const VLWebSocketEndpoint&) {
            if (self->isCompleted())
                return;
            if (ec) {
                self->complete(ec == beast::error::timeout
                                   ? webSocketError(ec, self->url())
                                   : VLMakeURLError(VLURLErrorCannotConnectToHost,
                                                    VLStringWithFormat("Could not connect to the server."),
                                                    self->url().absoluteString()));
                return;
            }
            if constexpr (std::is_same_v<Stream, beast::tcp_stream>)
                self->handshake();
            else
                self->secure();
        });
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::secure() {
    if constexpr (!std::is_same_v<Stream, beast::tcp_stream>) {
        SSL* ssl = _ws.next_layer().native_handle();
        const std::string name = host();
        if (VLNetworkAddress::fromLiteral(name)) {
            X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), name.c_str());
        } else {
            SSL_set_tlsext_host_name(ssl, name.c_str());
            SSL_set1_host(ssl, name.c_str());
        }
        beast::get_lowest_layer(_ws).expires_after(idleLimit());
        _ws.next_layer().async_handshake(asio::ssl::stream_base::client, [self = strong()](
                                                                             const VLWebSocketErrorCode& ec) {
            if (self->isCompleted())
                return;
            if (ec)
                self->complete(VLMakeURLError(VLURLErrorSecureConnectionFailed,
                                              VLStringWithFormat("An SSL error has occurred and a secure "
                                                                 "connection to the server cannot be made."),
                                              self->url().absoluteString()));
            else
                self->handshake();
        });
    }
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::handshake() {
    beast::get_lowest_layer(_ws).expires_never();
    websocket::stream_base::timeout limits{idleLimit(), websocket::stream_base::none(), false};
    _ws.set_option(limits);
    _ws.set_option(
        websocket::stream_base::decorator([protocols = protocols()](websocket::request_type& request) {
            std::string list;
            for (const std::string& protocol : protocols)
                list += (list.empty() ? "" : ", ") + protocol;
            if (!list.empty())
                request.set(beast::http::field::sec_websocket_protocol, list);
        }));
    _ws.read_message_max(kMaximumMessageSize);
    _ws.async_handshake(_response, hostField(), target(), [self = strong()](const VLWebSocketErrorCode& ec) {
        if (self->isCompleted())
            return;
        if (ec) {
            self->fail(ec);
            return;
        }
        const auto protocol = self->_response.find(beast::http::field::sec_websocket_protocol);
        self->didOpen(protocol == self->_response.end() ? std::string() : std::string(protocol->value()));
    });
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::write(const VLWebSocketMessage& message) {
    _writing = message.data;
    _ws.text(message.isText);
    _ws.async_write(asio::buffer(_writing), [self = strong()](const VLWebSocketErrorCode& ec, size_t) {
        self->_writing.clear();
        self->writeDidEnd(ec);
    });
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::closeHandshake(uint16_t code, const std::string& reason) {
    websocket::close_reason frame(static_cast<websocket::close_code>(code));
    frame.reason.assign(reason.data(), std::min(reason.size(), frame.reason.max_size()));
    _ws.async_close(frame, [self = strong()](const VLWebSocketErrorCode& ec) { self->closeDidEnd(ec); });
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::read() {
    _ws.async_read(_buffer, [self = strong()](const VLWebSocketErrorCode& ec, size_t) {
        if (ec) {
            self->_buffer.clear();
            const websocket::close_reason& frame = self->_ws.reason();
            self->readDidFail(ec, frame.code, std::string(frame.reason.data(), frame.reason.size()));
            return;
        }
        const auto bytes = static_cast<const uint8_t*>(self->_buffer.cdata().data());
        VLData message(bytes, bytes + self->_buffer.size());
        self->_buffer.clear();
        self->didRead(self->_ws.got_text(), std::move(message));
    });
}

template <class Stream>
void VLWebSocketTask::StreamConnection<Stream>::closeTransport() {
    beast::get_lowest_layer(_ws).close();
}

// Connection

uint16_t VLWebSocketTask::Connection::port() const {
    if (std::optional<int> port = _url.port(); port && *port > 0 && *port <= 65535)
        return uint16_t(*port);
    return _url.lowercaseScheme() == "wss" ? 443 : 80;
}

std::string VLWebSocketTask::Connection::target() const {
    std::string target = _url.components().percentEncodedPath();
    if (target.empty())
        target = "/";
    if (_url.query())
        target += "?" + *_url.query();
    return target;
}

std::string VLWebSocketTask::Connection::hostField() const {
    const std::string name = host();
    const bool isIPv6 = name.find(':') != std::string::npos;
    std::string field = isIPv6 ? "[" + name + "]" : name;
    if (_url.port())
        field += ":" + std::to_string(port());
    return field;
}

template <class Call>
void VLWebSocketTask::Connection::tell(Call call) {
    std::shared_ptr<VLWebSocketTask> task = _task.lock();
    std::shared_ptr<VLWebSocketTaskDelegate> delegate = task ? _session.delegate() : nullptr;
    if (delegate)
        call(*delegate, *task);
}

void VLWebSocketTask::Connection::start(const std::vector<VLNetworkAddress>& addresses) {
    if (_completed)
        return;
    std::shared_ptr<VLWebSocketTask> task = _task.lock();
    if (!task)
        return;
    // No port of 0, past 65535 or not a number: the default port would be a different server.
    if (std::optional<int> port = _url.port(); _url.writesAPort() && (!port || *port < 1)) {
        complete(VLMakeURLError(VLURLErrorBadURL, VLStringWithFormat("bad URL"), _url.absoluteString()));
        return;
    }
    std::vector<VLWebSocketEndpoint> endpoints;
    for (const VLNetworkAddress& address : addresses) {
        if (task->_filter) {
            if (std::optional<std::string> denial = task->_filter(address)) {
                complete(VLMakeURLError(VLURLErrorCannotConnectToHost, *denial, _url.absoluteString()));
                return;
            }
        }
        endpoints.push_back(endpointOf(address, port()));
    }
    if (endpoints.empty()) {
        complete(VLMakeURLError(VLURLErrorCannotFindHost,
                                VLStringWithFormat("No server with that host name could be found."),
                                _url.absoluteString()));
        return;
    }
    connect(std::move(endpoints));
}

void VLWebSocketTask::Connection::didOpen(const std::string& protocol) {
    _open = true;
    tell([&](VLWebSocketTaskDelegate& delegate, VLWebSocketTask& task) { delegate.didOpen(task, protocol); });
    readIfRoom();
    pump();
}

void VLWebSocketTask::Connection::send(VLWebSocketMessage message, SendCompletion completion) {
    if (_completed || _pendingClose) {
        if (completion)
            completion(VLMakeURLError(VLURLErrorCancelled, "cancelled", _url.absoluteString()));
        return;
    }
    _outgoing.push_back({std::move(message), std::move(completion)});
    pump();
}

void VLWebSocketTask::Connection::close(uint16_t code, std::string reason) {
    if (_completed || _pendingClose)
        return;
    if (!_open) {
        cancel();
        return;
    }
    _pendingClose.emplace(code, std::move(reason));
    pump();
}

void VLWebSocketTask::Connection::pump() {
    if (!_open || _writing || _completed || _closeSent)
        return;
    if (!_outgoing.empty()) {
        _writing = true;
        write(_outgoing.front().message);
    } else if (_pendingClose) {
        _closeSent = true;
        closeHandshake(_pendingClose->first, _pendingClose->second);
    }
}

void VLWebSocketTask::Connection::writeDidEnd(const VLWebSocketErrorCode& ec) {
    _writing = false;
    if (_outgoing.empty())
        return;
    Outgoing sent = std::move(_outgoing.front());
    _outgoing.pop_front();
    if (sent.completion)
        sent.completion(ec ? webSocketError(ec, _url) : nullptr);
    pump();
}

void VLWebSocketTask::Connection::closeDidEnd(const VLWebSocketErrorCode& ec) {
    complete(ec && ec != websocket::error::closed ? webSocketError(ec, _url) : nullptr);
}

void VLWebSocketTask::Connection::readIfRoom() {
    std::shared_ptr<VLWebSocketTask> task = _task.lock();
    if (!task || _reading || _completed || !_open)
        return;
    // Room for a whole message more: what waits never passes the maximum.
    if (task->_waitingBytes.load() + kMaximumMessageSize > kMaximumWaitingBytes) {
        task->_waitsForRoom.store(true);
        return;
    }
    task->_waitsForRoom.store(false);
    _reading = true;
    read();
}

void VLWebSocketTask::Connection::resumeReading() {
    readIfRoom();
}

void VLWebSocketTask::Connection::didRead(bool isText, VLData bytes) {
    _reading = false;
    if (_completed)
        return;
    tell([&](VLWebSocketTaskDelegate& delegate, VLWebSocketTask& task) {
        task._waitingBytes.fetch_add(bytes.size());
        delegate.didReceiveMessage(task, {isText, std::move(bytes)});
    });
    readIfRoom();
}

void VLWebSocketTask::Connection::readDidFail(const VLWebSocketErrorCode& ec, uint16_t closeCode,
                                              const std::string& closeReason) {
    _reading = false;
    // Once our close frame is out, the close handshake's own end tells how the connection ended.
    if (_completed || _closeSent)
        return;
    if (ec == websocket::error::closed) {
        tell([&](VLWebSocketTaskDelegate& delegate, VLWebSocketTask& task) {
            delegate.didReceiveClose(task, closeCode, closeReason);
        });
        complete(nullptr);
        return;
    }
    fail(ec);
}

void VLWebSocketTask::Connection::complete(const VLErrorRef& error) {
    if (_completed)
        return;
    _completed = true;
    std::deque<Outgoing> unsent;
    unsent.swap(_outgoing);
    for (Outgoing& outgoing : unsent) {
        if (outgoing.completion)
            outgoing.completion(
                error ? error : VLMakeURLError(VLURLErrorCancelled, "cancelled", _url.absoluteString()));
    }
    tell(
        [&](VLWebSocketTaskDelegate& delegate, VLWebSocketTask& task) { delegate.didComplete(task, error); });
    closeTransport();
}

// The task

VLWebSocketTask::VLWebSocketTask(std::shared_ptr<VLWebSocketSession> session, uint64_t identifier, VLURL url,
                                 std::vector<std::string> protocols, ConnectionFilter filter)
    : _session(std::move(session)), _identifier(identifier), _url(std::move(url)),
      _protocols(std::move(protocols)), _filter(std::move(filter)) {}

VLWebSocketTask::~VLWebSocketTask() = default;

void VLWebSocketTask::makeConnection() {
    std::weak_ptr<VLWebSocketTask> weakSelf = weak_from_this();
    VLWebSocketSession::IO& io = _session->io();
    if (_url.lowercaseScheme() == "wss")
        _connection = std::make_shared<StreamConnection<beast::ssl_stream<beast::tcp_stream>>>(
            weakSelf, *_session, io.context, io.tls);
    else
        _connection = std::make_shared<StreamConnection<beast::tcp_stream>>(weakSelf, *_session, io.context);
    _connection->_url = _url;
    _connection->_protocols = _protocols;
}

void VLWebSocketTask::resume() {
    if (_resumed.exchange(true))
        return;
    // Names resolve away from the session's thread, which serves every connection.
    VLGlobalQueue::async([session = _session, connection = _connection, host = _url.host().value_or("")] {
        std::vector<VLNetworkAddress> addresses = VLHostResolver::resolve(host);
        session->io().post([connection, addresses = std::move(addresses)] { connection->start(addresses); });
    });
}

void VLWebSocketTask::send(VLWebSocketMessage message, SendCompletion completion) {
    std::shared_ptr<Connection> connection = _connection;
    if (!connection) {
        if (completion)
            completion(VLMakeURLError(VLURLErrorCancelled, "cancelled", _url.absoluteString()));
        return;
    }
    {
        std::lock_guard lock(_outboxLock);
        _outbox.emplace_back(std::move(message), std::move(completion));
        if (_outboxPosted)
            return;
        _outboxPosted = true;
    }
    _session->io().post([self = shared_from_this(), connection] {
        std::vector<std::pair<VLWebSocketMessage, SendCompletion>> batch;
        {
            std::lock_guard lock(self->_outboxLock);
            batch.swap(self->_outbox);
            self->_outboxPosted = false;
        }
        for (auto& [message, completion] : batch)
            connection->send(std::move(message), std::move(completion));
    });
}

void VLWebSocketTask::cancel(int64_t code, std::string_view reason) {
    if (std::shared_ptr<Connection> connection = _connection) {
        _session->io().post(
            [connection, code = wireCloseCode(code), reason = wireCloseReason(reason)]() mutable {
                connection->close(code, std::move(reason));
            });
    }
}

void VLWebSocketTask::cancel() {
    if (std::shared_ptr<Connection> connection = _connection)
        _session->io().post([connection] { connection->cancel(); });
}

void VLWebSocketTask::consumeReceivedBytes(size_t byteCount) {
    uint64_t waiting = _waitingBytes.load();
    while (!_waitingBytes.compare_exchange_weak(waiting, waiting - std::min<uint64_t>(waiting, byteCount))) {
    }
    if (_waitsForRoom.load() && _connection)
        _session->io().post([connection = _connection] { connection->resumeReading(); });
}

uint16_t VLWebSocketTask::wireCloseCode(int64_t code) {
    const bool valid =
        (code >= 1000 && code <= 1003) || (code >= 1007 && code <= 1014) || (code >= 3000 && code <= 4999);
    return valid ? uint16_t(code) : 1000;
}

std::string VLWebSocketTask::wireCloseReason(std::string_view reason) {
    return VLStringShortenedBelowByteCount(reason, kMaximumCloseReasonBytes + 1);
}
