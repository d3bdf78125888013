#include "Tests/Support/VLWebSocketTestServer.h"

#include "Tests/Support/VLTestCertificate.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>
#include <boost/beast/websocket.hpp>
#include <boost/beast/websocket/ssl.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace websocket = boost::beast::websocket;
using VLWebSocketServerSocket = boost::asio::ip::tcp::socket;
using VLWebSocketServerError = boost::system::error_code;

struct VLWebSocketTestServer::Machinery {
    asio::io_context context;
    asio::ssl::context tls{asio::ssl::context::tls_server};
    int listener = -1;
};

VLWebSocketTestServer::VLWebSocketTestServer() : VLWebSocketTestServer(Script{}) {}

VLWebSocketTestServer::VLWebSocketTestServer(Script script, std::shared_ptr<VLTestCertificate> certificate)
    : _machinery(std::make_unique<Machinery>()), _secure(certificate != nullptr), _script(std::move(script)) {
    if (certificate) {
        _machinery->tls.use_certificate_chain(asio::buffer(certificate->certificatePEM()));
        _machinery->tls.use_private_key(asio::buffer(certificate->keyPEM()), asio::ssl::context::pem);
    }
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the WebSocket test server could not listen");
    _machinery->listener = listener;
    _port = ntohs(address.sin_port);
    _acceptor = std::thread([this] { accept(); });
}

VLWebSocketTestServer::~VLWebSocketTestServer() {
    _stopping.store(true);
    ::shutdown(_machinery->listener, SHUT_RDWR);
    _acceptor.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(_lock);
        for (const int socket : _sockets)
            ::shutdown(socket, SHUT_RDWR);
        connections.swap(_connections);
    }
    for (std::thread& connection : connections)
        connection.join();
    ::close(_machinery->listener);
}

std::string VLWebSocketTestServer::url(const std::string& path, const std::string& host) const {
    return std::string(_secure ? "wss://" : "ws://") + host + ":" + std::to_string(_port) + path;
}

void VLWebSocketTestServer::setScript(Script script) {
    std::lock_guard lock(_lock);
    _script = std::move(script);
}

VLWebSocketTestServer::Script VLWebSocketTestServer::script() const {
    std::lock_guard lock(_lock);
    return _script;
}

std::vector<VLWebSocketTestServer::CloseFrame> VLWebSocketTestServer::closeFrames() const {
    std::lock_guard lock(_lock);
    return _closeFrames;
}

std::vector<std::string> VLWebSocketTestServer::messages() const {
    std::lock_guard lock(_lock);
    return _messages;
}

std::string VLWebSocketTestServer::offeredProtocols() const {
    std::lock_guard lock(_lock);
    return _offeredProtocols;
}

int VLWebSocketTestServer::connectionCount() const {
    std::lock_guard lock(_lock);
    return _connectionCount;
}

void VLWebSocketTestServer::accept() {
    for (;;) {
        const int socket = ::accept4(_machinery->listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) {
            if (_stopping.load())
                return;
            continue;
        }
        std::lock_guard lock(_lock);
        ++_connectionCount;
        _sockets.push_back(socket);
        _connections.emplace_back([this, socket] { serveSocket(socket); });
    }
}

void VLWebSocketTestServer::serveSocket(int socket) {
    VLWebSocketServerError ec;
    if (_secure) {
        beast::ssl_stream<VLWebSocketServerSocket> stream(_machinery->context, _machinery->tls);
        stream.next_layer().assign(asio::ip::tcp::v4(), socket, ec);
        if (!ec)
            stream.handshake(asio::ssl::stream_base::server, ec);
        if (!ec)
            serve(stream);
        std::lock_guard lock(_lock);
        std::erase(_sockets, socket);
    } else {
        VLWebSocketServerSocket stream(_machinery->context);
        stream.assign(asio::ip::tcp::v4(), socket, ec);
        if (!ec)
            serve(stream);
        std::lock_guard lock(_lock);
        std::erase(_sockets, socket);
    }
    // The stream, which closes the socket, goes after the socket has left the list.
}

template <class Stream>
void VLWebSocketTestServer::serve(Stream& stream) {
    VLWebSocketServerError ec;
    beast::flat_buffer buffer;
    http::request<http::string_body> request;
    http::read(stream, buffer, request, ec);
    if (ec)
        return;
    const std::string offered(request[http::field::sec_websocket_protocol]);
    {
        std::lock_guard lock(_lock);
        _offeredProtocols = offered;
    }
    const Script script = this->script();
    if (script.behaviour == Behaviour::refuse) {
        http::response<http::string_body> refusal{http::status(script.refusalStatus), request.version()};
        refusal.body() = "refused";
        refusal.prepare_payload();
        http::write(stream, refusal, ec);
        return;
    }
    if (script.behaviour == Behaviour::rawHandshake) {
        asio::write(stream, asio::buffer(script.raw), ec);
        while (!ec && !script.rawRepeated.empty() && !_stopping.load()) {
            std::this_thread::sleep_for(script.rawInterval);
            asio::write(stream, asio::buffer(script.rawRepeated), ec);
        }
        char drained[256];
        while (!ec)
            stream.read_some(asio::buffer(drained), ec);
        return;
    }

    websocket::stream<Stream&> ws(stream);
    ws.set_option(websocket::stream_base::decorator([&](websocket::response_type& response) {
        if (!script.subprotocol.empty() && offered.find(script.subprotocol) != std::string::npos)
            response.set(http::field::sec_websocket_protocol, script.subprotocol);
    }));
    ws.read_message_max(64 * 1024 * 1024);
    ws.accept(request, ec);
    if (ec)
        return;
    switch (script.behaviour) {
    case Behaviour::close:
        ws.close(websocket::close_reason(static_cast<websocket::close_code>(script.closeCode),
                                         beast::string_view(script.closeReason)),
                 ec);
        break;
    case Behaviour::drop:
        return;
    case Behaviour::rawAfterHandshake:
        asio::write(stream, asio::buffer(script.raw), ec);
        break;
    case Behaviour::flood: {
        const std::string message(script.floodSize, 'f');
        ws.binary(true);
        for (size_t i = 0; i < script.floodCount && !ec; ++i) {
            ws.write(asio::buffer(message), ec);
            if (!ec)
                _floodSent.fetch_add(1);
        }
        break;
    }
    default:
        break;
    }
    // Echoes what comes, until the close frame or the end.
    while (!ec) {
        beast::flat_buffer message;
        ws.read(message, ec);
        if (ec == websocket::error::closed) {
            std::lock_guard lock(_lock);
            _closeFrames.emplace_back(ws.reason().code,
                                      std::string(ws.reason().reason.data(), ws.reason().reason.size()));
        }
        if (ec)
            break;
        const std::string bytes = beast::buffers_to_string(message.data());
        {
            std::lock_guard lock(_lock);
            _messages.push_back((ws.got_text() ? "t:" : "b:") + bytes);
        }
        ws.text(ws.got_text());
        ws.write(message.data(), ec);
    }
}
