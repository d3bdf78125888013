#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLNetworkAddress.h"
#include "Platform/Network/VLWebSocketTaskDelegate.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class VLWebSocketSession;

// One WebSocket connection of a session, ws or wss. Made suspended: resume() resolves the host through
// VLHostResolver, connects to its addresses in order (each vetted by the connection filter), makes the
// TLS connection (SNI, the system's authorities, the host name verified) and the handshake with the
// protocol list. Connecting, TLS and the handshake each give up after the session's idle limit.
// Messages go out in the order sent; each send's completion is called once. A message larger than
// kMaximumMessageSize ends the connection (the peer gets 1009).
//
// Threads: made and steered from any thread; the connection and every delegate call belong to the
// session's thread. The identifier, URL and protocols never change; the count of received bytes still
// waiting is atomic.
class VLWebSocketTask final : public std::enable_shared_from_this<VLWebSocketTask> {
public:
    using SendCompletion = std::function<void(const VLErrorRef& error)>;
    // Why the address may not be connected to, or nothing when it may. Called off the session's
    // thread or on it; must not block.
    using ConnectionFilter = std::function<std::optional<std::string>(const VLNetworkAddress& address)>;

    static constexpr size_t kMaximumMessageSize = 16777216;
    // Received bytes that may wait for the receiver before the connection stops reading (TCP then
    // holds the peer back).
    static constexpr size_t kMaximumWaitingBytes = 32 * 1024 * 1024;

    ~VLWebSocketTask();
    VLWebSocketTask(const VLWebSocketTask&) = delete;
    VLWebSocketTask& operator=(const VLWebSocketTask&) = delete;

    uint64_t taskIdentifier() const { return _identifier; }
    const VLURL& url() const { return _url; }

    // Starts connecting; does nothing after the first call.
    void resume();
    // Queues the message; it goes out once the connection is open. A task that ends first calls the
    // completion with its error.
    void send(VLWebSocketMessage message, SendCompletion completion);
    // Closes with the close handshake once the queued messages are out; before the connection is open,
    // ends it as cancel() does. Only a valid close frame goes on the wire (wireCloseCode, wireCloseReason).
    void cancel(int64_t code, std::string_view reason);
    // Ends the connection at once, as cancelled, unless it has completed.
    void cancel();

    // Gives back received bytes; reading goes on once there is room for a whole message again.
    void consumeReceivedBytes(size_t byteCount);
    uint64_t waitingBytes() const { return _waitingBytes.load(); }
    // Reading stopped for want of room. Any thread.
    bool waitsForRoom() const { return _waitsForRoom.load(); }

    // 1000–1003, 1007–1014 and 3000–4999 as they are; anything else 1000.
    static uint16_t wireCloseCode(int64_t code);
    // Cut to 123 bytes at a character boundary.
    static std::string wireCloseReason(std::string_view reason);

private:
    friend class VLWebSocketSession;
    class Connection;
    template <class Stream>
    class StreamConnection;

    VLWebSocketTask(std::shared_ptr<VLWebSocketSession> session, uint64_t identifier, VLURL url,
                    std::vector<std::string> protocols, ConnectionFilter filter);
    // Right after the task is made, once it can hand out weak references to itself.
    void makeConnection();

    const std::shared_ptr<VLWebSocketSession> _session;
    const uint64_t _identifier;
    const VLURL _url;
    const std::vector<std::string> _protocols;
    const ConnectionFilter _filter;
    std::atomic<bool> _resumed{false};
    std::atomic<uint64_t> _waitingBytes{0};
    std::atomic<bool> _waitsForRoom{false};
    // Made with the task, then used on the session's thread.
    std::shared_ptr<Connection> _connection;

    // Messages sent while earlier ones still wait for the session's thread go with them, so that a
    // burst of sends wakes that thread once.
    std::mutex _outboxLock; // guards the members below; any thread
    std::vector<std::pair<VLWebSocketMessage, SendCompletion>> _outbox;
    bool _outboxPosted = false;
};
