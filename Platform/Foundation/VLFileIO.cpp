#include "Platform/Foundation/VLFileIO.h"

#include <cerrno>
#include <fcntl.h>
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

std::optional<VLData> VLContentsOfFile(const std::string& path, int* error) {
    int failure = 0;
    std::optional<VLData> contents;
    // Non-blocking, so that a FIFO put where a file was expected fails instead of hanging the reader.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status;
    if (fd < 0) {
        failure = errno;
    } else if (::fstat(fd, &status) != 0) {
        failure = errno;
    } else if (S_ISDIR(status.st_mode)) {
        failure = EISDIR;
    } else if (!S_ISREG(status.st_mode)) {
        failure = EINVAL; // a device such as /dev/zero would never end
    } else {
        VLData data(status.st_size > 0 ? size_t(status.st_size) : 0);
        size_t filled = 0;
        while (true) {
            if (filled == data.size())
                data.resize(data.size() + 65536);
            ssize_t read = VLReadAt(fd, data.data() + filled, data.size() - filled, filled);
            if (read < 0) {
                failure = errno;
                break;
            }
            if (read == 0) {
                data.resize(filled);
                contents = std::move(data);
                break;
            }
            filled += size_t(read);
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (error)
        *error = failure;
    return contents;
}

bool VLWriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool written = VLFileWriteAll(fd, bytes) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}
