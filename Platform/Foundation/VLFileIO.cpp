#include "Platform/Foundation/VLFileIO.h"

#include "Platform/Foundation/VLAtomicFileWriting.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

bool VLFileWriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        if (written == 0) {
            errno = EIO; // a file that takes nothing would be retried for ever
            return false;
        }
        bytes = bytes.subspan(size_t(written));
    }
    return true;
}

ssize_t VLReadAt(int fd, void* buffer, size_t count, uint64_t offset) {
    ssize_t result;
    do {
        result = ::pread(fd, buffer, count, off_t(offset));
    } while (result < 0 && errno == EINTR);
    return result;
}

bool VLReadFullyAt(int fd, void* buffer, size_t count, uint64_t offset) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        ssize_t read = VLReadAt(fd, bytes, count, offset);
        if (read <= 0)
            return false;
        bytes += read;
        count -= size_t(read);
        offset += uint64_t(read);
    }
    return true;
}

namespace {

// Reads an open regular file that fstat found `length` bytes long into one buffer reserved at that size,
// grown only when the file grows while it is read. The bytes pass through a small buffer that stays in
// the cache rather than into a zero-filled one: filling the large buffer first cost as much as the read.
// 0 or the error number.
int VLFileIOReadWhole(int fd, uint64_t length, uint64_t maximumLength, std::optional<VLData>& contents) {
    if (length > maximumLength)
        return EFBIG;
    try {
        VLData data;
        data.reserve(static_cast<size_t>(length));
        uint8_t chunk[32768];
        while (true) {
            ssize_t read = VLReadAt(fd, chunk, sizeof chunk, data.size());
            if (read < 0)
                return errno;
            if (read == 0)
                break;
            if (data.size() + uint64_t(read) > maximumLength)
                return EFBIG;
            data.insert(data.end(), chunk, chunk + read);
        }
        contents = std::move(data);
        return 0;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    } catch (const std::length_error&) {
        return EFBIG;
    }
}

} // namespace

std::optional<VLData> VLContentsOfFile(const std::string& path, int* error, uint64_t maximumLength) {
    int failure = 0;
    std::optional<VLData> contents;
    // Non-blocking, so that a FIFO put where a file was expected fails instead of hanging the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status;
    if (fd < 0)
        failure = errno;
    else if (::fstat(fd, &status) != 0)
        failure = errno;
    else if (S_ISDIR(status.st_mode))
        failure = EISDIR;
    else if (!S_ISREG(status.st_mode))
        failure = EINVAL; // a device such as /dev/zero would never end
    else
        failure =
            VLFileIOReadWhole(fd, uint64_t(std::max<off_t>(status.st_size, 0)), maximumLength, contents);
    if (fd >= 0)
        ::close(fd);
    if (error)
        *error = failure;
    return contents;
}

bool VLWriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes,
                           VLSymbolicLinkWriting links) {
    return VLWriteFileAtomicallyWith(
        path, [bytes](int fd) { return VLFileWriteAll(fd, bytes); }, links);
}
