#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class VLTestCertificate;

// A WebSocket server for tests on Boost.Beast's server side, on 127.0.0.1 and a free port, plain or
// with TLS, that does what its script says with every connection: echo, choose a subprotocol, close
// with a code, refuse the handshake with a status, drop the TCP connection, send raw bytes after the
// handshake or in place of its answer (once, or again and again), or flood the client with binary
// messages and then echo. It records the close frames and messages it received and what it offered.
//
// Threads: one accepts, one serves each connection; the script and the records are under a lock.
// Destroying the server cuts every connection and waits for its threads.
class VLWebSocketTestServer {
public:
    enum class Behaviour { echo, refuse, close, drop, rawAfterHandshake, rawHandshake, flood };
    struct Script {
        Behaviour behaviour = Behaviour::echo;
        // Chosen when the client offers it.
        std::string subprotocol{};
        int refusalStatus = 403;
        uint16_t closeCode = 1000;
        std::string closeReason{};
        std::string raw{};
        // In place of a handshake answer, after `raw`: these bytes again and again, this far apart,
        // until the client gives up.
        std::string rawRepeated{};
        std::chrono::milliseconds rawInterval{0};
        size_t floodCount = 0;
        size_t floodSize = 0;
    };
    using CloseFrame = std::pair<uint16_t, std::string>;

    VLWebSocketTestServer();
    // With a certificate, the server speaks TLS.
    explicit VLWebSocketTestServer(Script script, std::shared_ptr<VLTestCertificate> certificate = nullptr);
    ~VLWebSocketTestServer();
    VLWebSocketTestServer(const VLWebSocketTestServer&) = delete;
    VLWebSocketTestServer& operator=(const VLWebSocketTestServer&) = delete;

    uint16_t port() const { return _port; }
    // "ws://HOST:PORT" (or "wss") followed by the path.
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;
    void setScript(Script script);

    // The close frames received, in order.
    std::vector<CloseFrame> closeFrames() const;
    // The messages received, in order ("t:" or "b:" and the bytes).
    std::vector<std::string> messages() const;
    // The Sec-WebSocket-Protocol field of the last handshake ("" when none).
    std::string offeredProtocols() const;
    // Flood messages written so far.
    size_t floodSent() const { return _floodSent.load(); }
    int connectionCount() const;

private:
    struct Connection;
    template <class Stream>
    void serve(Stream& stream);
    void accept();
    void serveSocket(int socket);
    Script script() const;

    struct Machinery;
    std::unique_ptr<Machinery> _machinery;
    const bool _secure;
    uint16_t _port = 0;
    std::thread _acceptor;
    std::atomic<size_t> _floodSent{0};
    std::atomic<bool> _stopping{false};

    mutable std::mutex _lock; // guards the members below
    Script _script;
    std::vector<CloseFrame> _closeFrames;
    std::vector<std::string> _messages;
    std::string _offeredProtocols;
    std::vector<std::thread> _connections;
    std::vector<int> _sockets;
    int _connectionCount = 0;
};
