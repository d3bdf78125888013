#include "Tests/Support/VLReceivedSurface.h"

#include <poll.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

uint32_t littleEndianField(const uint8_t* bytes, size_t field) {
    const uint8_t* at = bytes + field * 4;
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

// Maps the file for reading and closes the descriptor.
std::shared_ptr<const uint8_t> mapped(int descriptor, size_t& size) {
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0 || status.st_size <= 0) {
        ::close(descriptor);
        return nullptr;
    }
    size = size_t(status.st_size);
    void* bytes = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, descriptor, 0);
    ::close(descriptor);
    if (bytes == MAP_FAILED)
        return nullptr;
    return std::shared_ptr<const uint8_t>(static_cast<const uint8_t*>(bytes), [size](const uint8_t* start) {
        ::munmap(const_cast<uint8_t*>(start), size);
    });
}

} // namespace

std::array<uint8_t, 4> VLReceivedSurface::pixel(uint32_t x, uint32_t y) const {
    const size_t offset = size_t(y) * bytesPerRow + size_t(x) * 4;
    if (!bytes || offset + 4 > fileSize)
        return {};
    return {bytes.get()[offset], bytes.get()[offset + 1], bytes.get()[offset + 2], bytes.get()[offset + 3]};
}

std::optional<VLReceivedSurface> VLReceivedSurface::receive(int socket, std::chrono::milliseconds limit) {
    pollfd readable{socket, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&readable, 1, int(limit.count()));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return std::nullopt;

    // Room for more than the header and for several descriptors, so that too much shows.
    std::vector<uint8_t> header(64);
    iovec bytes{header.data(), header.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)] = {};
    msghdr message{};
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t count = ::recvmsg(socket, &message, MSG_CMSG_CLOEXEC);
    if (count <= 0)
        return std::nullopt;

    VLReceivedSurface surface;
    surface.byteCount = size_t(count);
    if (surface.byteCount >= 32) {
        uint32_t* fields[] = {&surface.magic, &surface.stream, &surface.generation,  &surface.index,
                              &surface.width, &surface.height, &surface.bytesPerRow, &surface.pixelFormat};
        for (size_t field = 0; field < 8; ++field)
            *fields[field] = littleEndianField(header.data(), field);
    }
    std::vector<int> descriptors;
    for (cmsghdr* part = CMSG_FIRSTHDR(&message); part; part = CMSG_NXTHDR(&message, part)) {
        if (part->cmsg_level != SOL_SOCKET || part->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t n = (part->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < n; ++i) {
            int descriptor = -1;
            std::memcpy(&descriptor, CMSG_DATA(part) + i * sizeof(int), sizeof(int));
            descriptors.push_back(descriptor);
        }
    }
    surface.descriptorCount = descriptors.size();
    for (size_t i = 1; i < descriptors.size(); ++i)
        ::close(descriptors[i]);
    if (!descriptors.empty())
        surface.bytes = mapped(descriptors.front(), surface.fileSize);
    return surface;
}
