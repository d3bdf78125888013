#pragma once

#include "ContentHost/PendingBytes.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLDispatchReadSource.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

// How much the connection takes and holds back; tests lower them.
struct ContentHostConnectionLimits {
    // The longest message body, read or sent.
    int64_t maximumFrameLength = 16777215;
    // Reading waits once this many bytes of bodies wait for the main queue, and goes on below half of it.
    int64_t readBacklogLimit = 16777216;
    // The connection ends rather than queue more than this many bytes for writing.
    int64_t writeBacklogLimit = 67108864;
};

// The one channel between the content host and the main application, over a connected stream socket:
// each message is a 4-byte big-endian length and a keyed archive of a dictionary. It reads frames on its
// read queue and hands each message to the main queue (or to the read-queue handler, which may consume
// it there), writes frames on its write queue, matches replies to requests by "id" and "to", holds
// reading back while the main queue lags and ends the connection when the peer stops reading. It closes
// once: at the end of the stream, a read error, an oversized frame, a write backlog over its limit or
// close(); every outstanding request then hears that no reply came, and the close handler runs.
//
// Threads: send(), reply() and close() from any thread; start(), request() and the handlers that the
// main queue calls, on the main queue; the read-queue handler on the read queue.
class ContentHostConnection final : public std::enable_shared_from_this<ContentHostConnection> {
public:
    using MessageHandler = std::function<void(const VLDictionary& message)>;
    // True when it consumed the message on the read queue.
    using ReadQueueHandler = std::function<bool(const VLDictionary& message)>;
    // Called once, with the reply, or with nullptr when the connection closed first.
    using ReplyHandler = std::function<void(const VLDictionary* reply)>;
    using CloseHandler = std::function<void()>;

    // Takes the socket, which the connection makes non-blocking and closes in the end.
    static std::shared_ptr<ContentHostConnection> create(int socket, ContentHostConnectionLimits limits = {});
    ~ContentHostConnection();
    ContentHostConnection(const ContentHostConnection&) = delete;
    ContentHostConnection& operator=(const ContentHostConnection&) = delete;

    // Set before start().
    void setMessageHandler(MessageHandler handler) { _messageHandler = std::move(handler); }
    void setReadQueueHandler(ReadQueueHandler handler) { _readQueueHandler = std::move(handler); }
    void setCloseHandler(CloseHandler handler) { _closeHandler = std::move(handler); }

    // Starts reading. Main queue.
    void start();

    // Frames and queues one message; dropped when the connection is closed or the message cannot be
    // encoded (which is logged). Any thread.
    void send(VLDictionary message);
    // Sends from the main queue, behind what that queue already holds, so that what engine threads
    // report keeps its order among the host's other messages. Any thread.
    void sendFromMainQueue(VLDictionary message);
    // Answers a request that carried an integer "id": the payload with "op" "reply" and "to" the id.
    void reply(const VLDictionary& request, VLDictionary payload);
    // Sends the message with the next request id (1, 2, 3...) as "id"; the handler hears the reply. On a
    // closed connection the handler is called at once, with no reply. Main queue.
    void request(VLDictionary message, ReplyHandler handler);

    // Any thread; a second call does nothing more.
    void close();

    bool isClosed() const;
    // Whether reading waits for the main queue to work off the backlog.
    bool isReadingSuspended() const;
    // Bytes of frames queued for writing and not yet written (or given up).
    int64_t pendingWriteByteCount() const { return _pending->count(); }

private:
    ContentHostConnection(int socket, ContentHostConnectionLimits limits);

    // Read queue.
    void readAvailable();
    uint8_t* receiveSpace(size_t length);
    bool parseReceived();
    void compactReceived();
    void deliver(VLValue message, int64_t weight);
    void endReading();

    // Main queue.
    void dispatch(const VLDictionary& message);
    void finishDelivery(int64_t weight);
    void finishClosing(bool shutDownSocket);

    const int _socket;
    const ContentHostConnectionLimits _limits;
    const std::shared_ptr<VLDispatchQueue> _readQueue;
    const std::shared_ptr<VLDispatchQueue> _writeQueue;

    // Any thread, under `_lock`, which is never held while calling out.
    mutable std::mutex _lock;
    bool _closed = false;
    std::shared_ptr<VLDispatchReadSource> _readSource;
    int64_t _backlog = 0;
    // The source is suspended: while the backlog is high, or for good once reading has ended.
    bool _readingWaits = false;
    bool _readingStopped = false;

    // Any thread: the senders and the write queue's blocks share it.
    const std::shared_ptr<PendingBytes> _pending;

    // The read queue's. Bytes read and not yet compacted away, read straight into a buffer that grows
    // without being cleared first; `_receivedOffset` of them are consumed.
    std::unique_ptr<uint8_t[]> _received;
    size_t _receivedCapacity = 0;
    size_t _receivedLength = 0;
    size_t _receivedOffset = 0;
    bool _readEnded = false;
    ReadQueueHandler _readQueueHandler;

    // The main queue's.
    int64_t _nextRequestId = 0;
    std::map<int64_t, ReplyHandler> _replyHandlers;
    MessageHandler _messageHandler;
    CloseHandler _closeHandler;
};
