#include "Tests/Support/VLHTTPTestServer.h"

#include "Platform/Foundation/VLUnicode.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kPiece = 256 * 1024;
constexpr size_t kMaximumRequestHead = 64 * 1024;

const char* reasonFor(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    default:
        return "Status";
    }
}

// The pattern from any offset, in pieces up to kPiece long: the bytes repeat every 251.
const std::string& patternBuffer() {
    static const std::string buffer = [] {
        std::string bytes(kPiece + 251, '\0');
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(VLHTTPTestServer::patternByte(i));
        return bytes;
    }();
    return buffer;
}

bool sendAll(int socket, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t sent = ::send(socket, bytes, length, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        bytes += sent;
        length -= size_t(sent);
    }
    return true;
}

bool sendText(int socket, const std::string& text) {
    return sendAll(socket, text.data(), text.size());
}

// "bytes=A-" or "bytes=A-B": the first byte and the last one (or nothing: to the end).
std::optional<std::pair<uint64_t, std::optional<uint64_t>>> parseRange(const std::string& value) {
    unsigned long long first = 0, last = 0;
    char end = 0;
    if (std::sscanf(value.c_str(), "bytes=%llu-%llu%c", &first, &last, &end) == 2)
        return std::pair(uint64_t(first), std::optional<uint64_t>(last));
    if (std::sscanf(value.c_str(), "bytes=%llu-%c", &first, &end) == 1)
        return std::pair(uint64_t(first), std::optional<uint64_t>());
    return std::nullopt;
}

} // namespace

std::optional<std::string> VLHTTPTestServer::Request::header(std::string_view name) const {
    const std::string wanted = VLASCIILowercaseString(name);
    for (auto it = headers.rbegin(); it != headers.rend(); ++it) {
        if (VLASCIILowercaseString(it->first) == wanted)
            return it->second;
    }
    return std::nullopt;
}

VLHTTPTestServer::Response VLHTTPTestServer::Response::text(std::string body) {
    Response response;
    response.body = std::move(body);
    return response;
}

VLHTTPTestServer::Response VLHTTPTestServer::Response::rawBytes(std::string bytes) {
    Response response;
    response.raw = std::move(bytes);
    return response;
}

VLHTTPTestServer::Response VLHTTPTestServer::Response::redirect(int status, std::string location) {
    Response response;
    response.status = status;
    response.headers.emplace_back("Location", std::move(location));
    response.body = "moved";
    return response;
}

std::string VLHTTPTestServer::patternBytes(uint64_t offset, size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i)
        bytes[i] = char(patternByte(offset + i));
    return bytes;
}

VLHTTPTestServer::VLHTTPTestServer() {
    _listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    _stopEvent = ::eventfd(0, EFD_CLOEXEC);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (_listener < 0 || _stopEvent < 0 ||
        ::bind(_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(_listener, 64) != 0 ||
        ::getsockname(_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the test server cannot listen");
    _port = ntohs(address.sin_port);
    _acceptor = std::thread([this] { accept(); });
}

VLHTTPTestServer::~VLHTTPTestServer() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(_stopEvent, &one, sizeof one);
    _acceptor.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(_lock);
        for (int socket : _sockets)
            ::shutdown(socket, SHUT_RDWR);
        connections.swap(_connections);
    }
    for (std::thread& connection : connections)
        connection.join();
    ::close(_listener);
    ::close(_stopEvent);
}

std::string VLHTTPTestServer::url(std::string_view path) const {
    return "http://127.0.0.1:" + std::to_string(_port) + std::string(path);
}

void VLHTTPTestServer::route(const std::string& path, Response response) {
    route(path, [response](const Request&) { return response; });
}

void VLHTTPTestServer::route(const std::string& path, Handler handler) {
    std::lock_guard lock(_lock);
    _routes[path] = std::move(handler);
}

int VLHTTPTestServer::connectionCount() const {
    std::lock_guard lock(_lock);
    return _connectionCount;
}

int VLHTTPTestServer::responsesSent() const {
    std::lock_guard lock(_lock);
    return _responsesSent;
}

int VLHTTPTestServer::openConnectionCount() const {
    std::lock_guard lock(_lock);
    return int(_sockets.size());
}

std::vector<VLHTTPTestServer::Request> VLHTTPTestServer::requests() const {
    std::lock_guard lock(_lock);
    return _requests;
}

bool VLHTTPTestServer::waitForStop(std::chrono::milliseconds interval) const {
    pollfd stop{_stopEvent, POLLIN, 0};
    return ::poll(&stop, 1, int(interval.count())) > 0;
}

void VLHTTPTestServer::accept() {
    for (;;) {
        pollfd descriptors[] = {{_listener, POLLIN, 0}, {_stopEvent, POLLIN, 0}};
        if (::poll(descriptors, 2, -1) < 0 || descriptors[1].revents)
            return;
        const int socket = ::accept4(_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        std::lock_guard lock(_lock);
        ++_connectionCount;
        _sockets.push_back(socket);
        _connections.emplace_back([this, socket] { serve(socket); });
    }
}

void VLHTTPTestServer::serve(int socket) {
    std::string buffer;
    for (;;) {
        size_t headEnd;
        while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
            char bytes[4096];
            const ssize_t received = ::recv(socket, bytes, sizeof bytes, 0);
            if (received <= 0 || buffer.size() > kMaximumRequestHead)
                goto done;
            buffer.append(bytes, size_t(received));
            // Not HTTP (a TLS handshake, say): hang up, as a plain server does.
            if (!std::isalpha(static_cast<unsigned char>(buffer.front())))
                goto done;
        }
        Request request;
        {
            const std::string head = buffer.substr(0, headEnd);
            buffer.erase(0, headEnd + 4);
            size_t lineEnd = head.find("\r\n");
            const std::string requestLine = head.substr(0, lineEnd);
            const size_t firstSpace = requestLine.find(' ');
            const size_t secondSpace = requestLine.find(' ', firstSpace + 1);
            request.method = requestLine.substr(0, firstSpace);
            request.target = requestLine.substr(firstSpace + 1, secondSpace - firstSpace - 1);
            while (lineEnd != std::string::npos) {
                const size_t start = lineEnd + 2;
                lineEnd = head.find("\r\n", start);
                const std::string line =
                    head.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start);
                const size_t colon = line.find(':');
                if (colon != std::string::npos)
                    request.headers.emplace_back(line.substr(0, colon),
                                                 line.substr(line.find_first_not_of(' ', colon + 1)));
            }
        }
        if (const std::optional<std::string> length = request.header("Content-Length")) {
            const size_t wanted = std::strtoull(length->c_str(), nullptr, 10);
            while (buffer.size() < wanted) {
                char bytes[65536];
                const ssize_t received = ::recv(socket, bytes, sizeof bytes, 0);
                if (received <= 0)
                    goto done;
                buffer.append(bytes, size_t(received));
            }
            request.body = buffer.substr(0, wanted);
            buffer.erase(0, wanted);
        }
        {
            std::lock_guard lock(_lock);
            _requests.push_back(request);
        }
        if (!answer(socket, request))
            break;
    }
done:
    ::shutdown(socket, SHUT_RDWR);
    std::lock_guard lock(_lock);
    _sockets.erase(std::find(_sockets.begin(), _sockets.end(), socket));
    ::close(socket);
}

VLHTTPTestServer::Handler VLHTTPTestServer::handlerFor(const std::string& target) {
    std::lock_guard lock(_lock);
    const auto found = _routes.find(target.substr(0, target.find('?')));
    if (found != _routes.end())
        return found->second;
    return [](const Request&) {
        Response response;
        response.status = 404;
        response.body = "not found";
        return response;
    };
}

// Whether the connection stays open for another request.
bool VLHTTPTestServer::answer(int socket, const Request& request) {
    Response response = handlerFor(request.target)(request);
    if (response.raw) {
        sendText(socket, *response.raw);
        return false;
    }
    const bool generated = response.generatedLength > 0 || response.endless;
    const uint64_t total = generated ? response.generatedLength : response.body.size();
    uint64_t offset = 0;
    uint64_t length = total;
    int status = response.status;
    std::string head;
    const std::optional<std::string> range = request.header("Range");
    if (response.honoursRange && range && !response.endless) {
        if (auto parsed = parseRange(*range); parsed && parsed->first < total) {
            const uint64_t last = std::min(parsed->second.value_or(total - 1), total - 1);
            offset = parsed->first;
            length = last - offset + 1;
            status = 206;
            head += "Content-Range: bytes " + std::to_string(offset) + "-" + std::to_string(last) + "/" +
                    std::to_string(total) + "\r\n";
        } else {
            status = 416;
            length = 0;
            head += "Content-Range: bytes */" + std::to_string(total) + "\r\n";
        }
    }
    const bool delimitedByClose = !response.chunked && (!response.sendsContentLength || response.endless);
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!delimitedByClose)
        head += "Content-Length: " + std::to_string(length) + "\r\n";
    if (delimitedByClose)
        head += "Connection: close\r\n";
    if (!sendText(socket,
                  "HTTP/1.1 " + std::to_string(status) + " " + reasonFor(status) + "\r\n" + head + "\r\n"))
        return false;
    if (request.method == "HEAD")
        return !delimitedByClose;

    const size_t piece = response.dripBytes > 0 ? std::min(response.dripBytes, kPiece) : kPiece;
    for (uint64_t sent = 0; response.endless || sent < length;) {
        size_t size = size_t(response.endless ? piece : std::min<uint64_t>(piece, length - sent));
        if (response.hold && sent < response.holdAfterBytes)
            size = size_t(std::min<uint64_t>(size, response.holdAfterBytes - sent));
        const uint64_t at = offset + sent;
        const char* bytes = generated ? patternBuffer().data() + at % 251 : response.body.data() + at;
        if (response.chunked) {
            char prefix[32];
            std::snprintf(prefix, sizeof prefix, "%zx\r\n", size);
            if (!sendText(socket, prefix) || !sendAll(socket, bytes, size) || !sendText(socket, "\r\n"))
                return false;
        } else if (!sendAll(socket, bytes, size)) {
            return false;
        }
        sent += size;
        if (response.hold && sent == response.holdAfterBytes && !response.hold->wait())
            return false;
        if (response.dripBytes > 0 && waitForStop(response.dripInterval))
            return false;
    }
    if (response.chunked && !sendText(socket, "0\r\n\r\n"))
        return false;
    {
        std::lock_guard lock(_lock);
        ++_responsesSent;
    }
    return !delimitedByClose;
}
