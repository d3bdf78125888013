#include "ContentHost/ContentHostAppPort.h"

#include "Platform/Graphics/VLSurface.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

namespace {

using ContentHostAppPortHeader = std::array<uint8_t, ContentHostAppPort::kHeaderSize>;

ContentHostAppPortHeader contentHostAppPortHeader(const std::array<uint32_t, 8>& fields) {
    ContentHostAppPortHeader header;
    for (size_t field = 0; field < fields.size(); ++field) {
        for (size_t byte = 0; byte < 4; ++byte)
            header[field * 4 + byte] = uint8_t(fields[field] >> (8 * byte));
    }
    return header;
}

// Sends the whole datagram, waiting for room until the deadline.
bool sendBefore(int socket, const msghdr& message, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const ssize_t sent = ::sendmsg(socket, &message, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0)
            return size_t(sent) == ContentHostAppPort::kHeaderSize;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            return false;
        const auto remaining =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (remaining.count() <= 0)
            return false;
        pollfd writable{socket, POLLOUT, 0};
        if (::poll(&writable, 1, int(remaining.count())) < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

bool ContentHostAppPort::sendSurface(int64_t stream, uint32_t generation, uint32_t index,
                                     const VLSurface& surface) const {
    const int descriptor = surface.duplicateFileDescriptor();
    if (descriptor < 0)
        return false;
    ContentHostAppPortHeader header = contentHostAppPortHeader({
        kMagic,
        uint32_t(uint64_t(stream)),
        generation,
        index,
        surface.width(),
        surface.height(),
        uint32_t(surface.bytesPerRow()),
        surface.pixelFormat(),
    });
    iovec bytes{header.data(), header.size()};
    alignas(cmsghdr) std::array<char, CMSG_SPACE(sizeof(int))> control{};
    msghdr message{};
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    message.msg_control = control.data();
    message.msg_controllen = control.size();
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &descriptor, sizeof(int));

    const bool sent = sendBefore(_socket, message, std::chrono::steady_clock::now() + kSendLimit);
    // The receiver holds its own copy once the datagram went.
    ::close(descriptor);
    return sent;
}
