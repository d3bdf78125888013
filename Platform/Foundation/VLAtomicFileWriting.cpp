#include "Platform/Foundation/VLAtomicFileWriting.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why what stands at the path may not be replaced by a file: 0 when it may, or when nothing is there.
int VLAtomicFileReplacementRefusal(const std::string& path, VLSymbolicLinkWriting links) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return errno == ENOENT ? 0 : errno;
    if (S_ISREG(status.st_mode))
        return 0;
    if (S_ISLNK(status.st_mode))
        return links == VLSymbolicLinkWriting::Refuse ? ELOOP : 0;
    return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
}

} // namespace

bool VLWriteFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& write,
                               VLSymbolicLinkWriting links) {
    if (int refusal = VLAtomicFileReplacementRefusal(path, links)) {
        errno = refusal;
        return false;
    }
    std::string temporary = path + ".XXXXXX";
    int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool written = write(fd) && ::fsync(fd) == 0;
    int failure = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        failure = errno;
    }
    if (written && ::rename(temporary.c_str(), path.c_str()) == 0)
        return true;
    if (written)
        failure = errno;
    ::unlink(temporary.c_str());
    errno = failure;
    return false;
}
