#include "ContentHost/ContentHostConnection.h"

#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLKeyedUnarchiver.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <span>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kReadLength = 65536;
constexpr size_t kHeaderLength = 4;
// Consumed bytes stay in front of the buffer until a mebibyte of them has gathered, or all are consumed.
constexpr size_t kCompactionThreshold = 0xFFFFF;
// Payloads at least this long are written from the message itself rather than copied into the archive.
constexpr size_t kBorrowedLength = 16384;

std::string queueLabel(const char* role) {
    return VLStringWithFormat("%s.content-host.%s", kVLReverseDomainPrefix, role);
}

// A message on its way out: its header, its archive in pieces (long payloads still in the message, which
// the frame keeps) and how much of them the socket took. Made in place, since the pieces point into it.
struct OutgoingFrame {
    OutgoingFrame(VLValue message, VLBinaryPropertyListWriter::Pieces archive)
        : message(std::move(message)), archive(std::move(archive)) {
        const auto archiveLength = uint32_t(this->archive.size());
        header[0] = uint8_t(archiveLength >> 24);
        header[1] = uint8_t(archiveLength >> 16);
        header[2] = uint8_t(archiveLength >> 8);
        header[3] = uint8_t(archiveLength);
        segments.emplace_back(header, kHeaderLength);
        const VLData& bytes = this->archive.bytes;
        size_t position = 0;
        for (const auto& borrowed : this->archive.borrowed) {
            segments.emplace_back(bytes.data() + position, borrowed.position - position);
            segments.push_back(borrowed.payload);
            position = borrowed.position;
        }
        segments.emplace_back(bytes.data() + position, bytes.size() - position);
        length = kHeaderLength + archiveLength;
    }
    OutgoingFrame(const OutgoingFrame&) = delete;
    OutgoingFrame& operator=(const OutgoingFrame&) = delete;

    const VLValue message;
    const VLBinaryPropertyListWriter::Pieces archive;
    uint8_t header[kHeaderLength];
    std::vector<std::span<const uint8_t>> segments;
    size_t length = 0;
    size_t written = 0;
};

// Writes what is left of the frame and answers whether it is done with it. A full socket is waited for
// when asked, else answers false; any other failure abandons the rest silently, since the read side
// notices a broken socket.
bool writeFrame(int socket, OutgoingFrame& frame, bool waitsForRoom) {
    while (frame.written < frame.length) {
        iovec parts[64];
        size_t partCount = 0;
        size_t skipped = 0;
        for (const auto& segment : frame.segments) {
            if (partCount == std::size(parts))
                break;
            if (skipped + segment.size() <= frame.written) {
                skipped += segment.size();
                continue;
            }
            const size_t offset = frame.written > skipped ? frame.written - skipped : 0;
            skipped += segment.size();
            parts[partCount++] = {const_cast<uint8_t*>(segment.data()) + offset, segment.size() - offset};
        }
        msghdr message{};
        message.msg_iov = parts;
        message.msg_iovlen = partCount;
        // Linux has no SO_NOSIGPIPE: every write asks for no SIGPIPE instead.
        const ssize_t count = ::sendmsg(socket, &message, MSG_NOSIGNAL);
        if (count > 0) {
            frame.written += size_t(count);
        } else if (count < 0 && errno == EINTR) {
            continue;
        } else if (count < 0 && errno == EAGAIN) {
            if (!waitsForRoom)
                return false;
            pollfd room{socket, POLLOUT, 0};
            ::poll(&room, 1, -1);
        } else {
            return true;
        }
    }
    return true;
}

std::string opTextOf(const VLDictionary& message) {
    const VLValue& op = message.get("op");
    return op.isString() ? op.stringValue() : "?";
}

void logCannotEncode(const VLDictionary& message, const std::string& reason) {
    VLSystemLogWrite(
        VLStringWithFormat("A content host message (%@) couldn't be encoded: %@", opTextOf(message), reason));
}

} // namespace

std::shared_ptr<ContentHostConnection> ContentHostConnection::create(int socket,
                                                                     ContentHostConnectionLimits limits) {
    return std::shared_ptr<ContentHostConnection>(new ContentHostConnection(socket, limits));
}

ContentHostConnection::ContentHostConnection(int socket, ContentHostConnectionLimits limits)
    : _socket(socket), _limits(limits), _readQueue(VLDispatchQueue::create(queueLabel("read"))),
      _writeQueue(VLDispatchQueue::create(queueLabel("write"))), _pending(std::make_shared<PendingBytes>()) {
    const int flags = ::fcntl(_socket, F_GETFL);
    if (flags >= 0)
        ::fcntl(_socket, F_SETFL, flags | O_NONBLOCK);
}

ContentHostConnection::~ContentHostConnection() {
    // The descriptor is closed on the write queue, after the writes already queued: by the source's
    // cancel handler, or here when reading never started.
    std::lock_guard guard(_lock);
    if (_readSource)
        _readSource->cancel();
    else if (!_closed)
        _writeQueue->async([socket = _socket] { ::close(socket); });
}

void ContentHostConnection::start() {
    assert(VLMainQueue::isCurrent());
    std::lock_guard guard(_lock);
    if (_closed || _readSource)
        return;
    _readSource = VLDispatchReadSource::create(_socket, _readQueue);
    _readSource->setEventHandler([weakSelf = weak_from_this()] {
        if (auto self = weakSelf.lock())
            self->readAvailable();
    });
    _readSource->setCancelHandler(
        [socket = _socket, writeQueue = _writeQueue] { writeQueue->async([socket] { ::close(socket); }); });
    _readSource->resume();
}

void ContentHostConnection::readAvailable() {
    if (_readEnded)
        return;
    for (;;) {
        const ssize_t count = ::read(_socket, receiveSpace(kReadLength), kReadLength);
        if (count > 0) {
            _receivedLength += size_t(count);
            // A short read drained the socket: rather than a read that would only say so, the
            // level-triggered source fires again when more comes.
            if (!parseReceived() || size_t(count) < kReadLength)
                return;
        } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
            return; // the source fires again while data remains
        } else {
            endReading();
            return;
        }
    }
}

uint8_t* ContentHostConnection::receiveSpace(size_t length) {
    if (_receivedCapacity - _receivedLength < length) {
        const size_t capacity = std::max(2 * _receivedCapacity, _receivedLength + length);
        auto grown = std::make_unique_for_overwrite<uint8_t[]>(capacity);
        if (_receivedLength)
            std::memcpy(grown.get(), _received.get(), _receivedLength);
        _received = std::move(grown);
        _receivedCapacity = capacity;
    }
    return _received.get() + _receivedLength;
}

void ContentHostConnection::endReading() {
    _readEnded = true;
    {
        // The source would fire again and again at the end of the stream until the main queue closes.
        std::lock_guard guard(_lock);
        _readingStopped = true;
        if (_readSource && !_readingWaits) {
            _readingWaits = true;
            _readSource->suspend();
        }
    }
    VLMainQueue::async([self = shared_from_this()] { self->finishClosing(false); });
}

bool ContentHostConnection::parseReceived() {
    while (_receivedLength - _receivedOffset >= kHeaderLength) {
        const uint8_t* header = _received.get() + _receivedOffset;
        const int64_t length = int64_t((uint32_t(header[0]) << 24) | (uint32_t(header[1]) << 16) |
                                       (uint32_t(header[2]) << 8) | header[3]);
        if (length > _limits.maximumFrameLength) {
            VLSystemLogWrite(VLStringWithFormat(
                "A content host message is too long (%ld bytes): the connection ends", length));
            endReading();
            compactReceived();
            return false;
        }
        if (_receivedLength - _receivedOffset - kHeaderLength < uint64_t(length))
            break;
        const std::span<const uint8_t> body(header + kHeaderLength, size_t(length));
        _receivedOffset += kHeaderLength + size_t(length);

        VLValue message = VLKeyedUnarchiver::unarchivedDictionary(body);
        if (!message.isDictionary()) {
            VLSystemLogWrite("A content host message couldn't be decoded");
            continue;
        }
        if (_readQueueHandler && _readQueueHandler(message.dictionaryValue()))
            continue;
        deliver(std::move(message), length);
    }
    bool goesOn;
    {
        std::lock_guard guard(_lock);
        goesOn = !_closed && !_readingWaits;
    }
    compactReceived();
    return goesOn;
}

void ContentHostConnection::compactReceived() {
    if (_receivedOffset == 0 ||
        (_receivedOffset <= kCompactionThreshold && _receivedOffset < _receivedLength))
        return;
    _receivedLength -= _receivedOffset;
    if (_receivedLength)
        std::memmove(_received.get(), _received.get() + _receivedOffset, _receivedLength);
    _receivedOffset = 0;
}

void ContentHostConnection::deliver(VLValue message, int64_t weight) {
    {
        std::lock_guard guard(_lock);
        _backlog += weight;
        if (_backlog >= _limits.readBacklogLimit && !_readingWaits && !_closed && _readSource) {
            _readingWaits = true;
            _readSource->suspend();
        }
    }
    VLMainQueue::async([self = shared_from_this(), message = std::move(message), weight] {
        self->dispatch(message.dictionaryValue());
        self->finishDelivery(weight);
    });
}

void ContentHostConnection::finishDelivery(int64_t weight) {
    std::lock_guard guard(_lock);
    _backlog -= weight;
    if (_backlog < _limits.readBacklogLimit / 2 && _readingWaits && !_readingStopped && !_closed) {
        _readingWaits = false;
        _readSource->resume();
    }
}

void ContentHostConnection::dispatch(const VLDictionary& message) {
    if (isClosed())
        return;
    const VLValue& op = message.get("op");
    if (op.isString() && op.stringValue() == "reply") {
        const VLValue& to = message.get("to");
        if (!to.isInteger())
            return;
        auto found = _replyHandlers.find(to.integerValue());
        if (found == _replyHandlers.end())
            return;
        ReplyHandler handler = std::move(found->second);
        _replyHandlers.erase(found);
        handler(&message);
        return;
    }
    // A copy: the handler may close the connection, which lets go of the handler.
    if (MessageHandler handler = _messageHandler)
        handler(message);
}

void ContentHostConnection::send(VLDictionary message) {
    if (isClosed())
        return;
    VLValue root(std::move(message));
    VLErrorRef error;
    auto archive = VLKeyedArchiver::archivedPieces(root, kBorrowedLength, &error);
    if (!archive) {
        logCannotEncode(root.dictionaryValue(), error->localizedDescription());
        return;
    }
    // The peer ends the connection on a longer frame: one message must not cost every widget its host.
    if (int64_t(archive->size()) > _limits.maximumFrameLength) {
        logCannotEncode(
            root.dictionaryValue(),
            VLStringWithFormat("The archive is %zu bytes long, more than the %lld bytes a message may hold",
                               archive->size(), static_cast<long long>(_limits.maximumFrameLength)));
        return;
    }
    auto frame = std::make_shared<OutgoingFrame>(std::move(root), std::move(*archive));
    const auto length = int64_t(frame->length);
    if (!_pending->addWithin(length, _limits.writeBacklogLimit)) {
        VLSystemLogWrite("A content host doesn't read what's sent to it: the connection ends");
        close();
        return;
    }
    std::lock_guard guard(_lock);
    if (_closed) {
        _pending->subtract(length);
        return;
    }
    // With nothing on the write queue, the socket takes what it can at once, from this thread: a message
    // costs no wake-up of the queue unless the socket is full. The rest waits on the queue, in order.
    if (_pending->writeQueueIsIdle() && writeFrame(_socket, *frame, false)) {
        _pending->subtract(length);
        return;
    }
    _pending->frameQueued();
    _writeQueue->async([socket = _socket, pending = _pending, length, frame = std::move(frame)] {
        writeFrame(socket, *frame, true);
        pending->frameWritten(length);
    });
}

void ContentHostConnection::sendFromMainQueue(VLDictionary message) {
    VLMainQueue::async([self = shared_from_this(), message = std::move(message)]() mutable {
        self->send(std::move(message));
    });
}

void ContentHostConnection::reply(const VLDictionary& request, VLDictionary payload) {
    const VLValue& identifier = request.get("id");
    if (!identifier.isInteger())
        return;
    payload.set("op", "reply");
    payload.set("to", identifier);
    send(std::move(payload));
}

void ContentHostConnection::request(VLDictionary message, ReplyHandler handler) {
    assert(VLMainQueue::isCurrent());
    if (isClosed()) {
        handler(nullptr);
        return;
    }
    const int64_t identifier = ++_nextRequestId;
    message.set("id", identifier);
    _replyHandlers.emplace(identifier, std::move(handler));
    send(std::move(message));
}

void ContentHostConnection::close() {
    if (VLMainQueue::isCurrent()) {
        finishClosing(true);
        return;
    }
    {
        std::lock_guard guard(_lock);
        if (!_closed)
            ::shutdown(_socket, SHUT_RDWR);
    }
    VLMainQueue::async([self = shared_from_this()] { self->finishClosing(false); });
}

void ContentHostConnection::finishClosing(bool shutDownSocket) {
    {
        std::lock_guard guard(_lock);
        if (_closed)
            return;
        if (shutDownSocket)
            ::shutdown(_socket, SHUT_RDWR);
        _closed = true;
        if (_readSource) {
            if (_readingWaits)
                _readSource->resume();
            _readSource->cancel();
            _readSource = nullptr;
        } else {
            // Never started: no source's cancel handler will close the descriptor.
            _writeQueue->async([socket = _socket] { ::close(socket); });
        }
        _readingWaits = false;
    }
    auto handlers = std::move(_replyHandlers);
    _replyHandlers.clear();
    for (auto& [identifier, handler] : handlers)
        handler(nullptr);
    CloseHandler closeHandler = std::move(_closeHandler);
    _closeHandler = nullptr;
    if (closeHandler)
        closeHandler();
    _messageHandler = nullptr;
}

bool ContentHostConnection::isClosed() const {
    std::lock_guard guard(_lock);
    return _closed;
}

bool ContentHostConnection::isReadingSuspended() const {
    std::lock_guard guard(_lock);
    return _readingWaits;
}
