#include "Modules/Storage/VLFileWriting.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kCopyChunk = 1 << 20;

// The template's share of a name: ".", "." and six X.
constexpr size_t kTemplateOverhead = 8;

// The name of the new file beside the target. A long target name is cut, at a character boundary, so
// that the new file can be made wherever the target can.
std::string temporaryPathFor(const std::string& path) {
    std::string_view name = VLLastPathComponent(path);
    if (name.size() <= NAME_MAX && name.size() + kTemplateOverhead > NAME_MAX) {
        size_t length = NAME_MAX - kTemplateOverhead;
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
            --length;
        name = name.substr(0, length);
    }
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    return directory + VLStringWithFormat(".%@.XXXXXX", name);
}

bool copyByReadAndWrite(int from, int to) {
    std::vector<uint8_t> buffer(kCopyChunk);
    while (true) {
        const ssize_t count = ::read(from, buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return false;
        if (count == 0)
            return true;
        if (!VLFileWriteAll(to, std::span(buffer.data(), size_t(count))))
            return false;
    }
}

} // namespace

bool VLFileCopyAll(int from, int to) {
    bool copied = false;
    while (true) {
        const ssize_t count = ::copy_file_range(from, nullptr, to, nullptr, kCopyChunk, 0);
        if (count > 0) {
            copied = true;
            continue;
        }
        if (count == 0)
            return true;
        if (errno == EINTR)
            continue;
        // File systems (and kernels) that cannot copy in the kernel say so on the first call.
        if (!copied && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            return copyByReadAndWrite(from, to);
        return false;
    }
}

int64_t VLFileExistingSize(const std::string& path) {
    struct stat status;
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return int64_t(status.st_size);
}

VLFileFailure VLFileReplaceContents(const std::string& path, const VLFileContentsWriter& writer) {
    std::string temporary = temporaryPathFor(path);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return {errno, "open"};
    VLFileFailure failure = writer(fd);
    if (!failure && ::fchmod(fd, 0644) != 0)
        failure = {errno, "write"};
    if (::close(fd) != 0 && !failure)
        failure = {errno, "write"};
    if (!failure && ::rename(temporary.c_str(), path.c_str()) != 0)
        failure = {errno, "rename"};
    if (failure)
        ::unlink(temporary.c_str());
    return failure;
}
