#include "Core/Runtime/VLCheckedFile.h"

#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t kChunkSize = 1048576;
constexpr uint64_t kLargestWholeRead = 4294967295;

// The description only: these errors name no failure reason.
VLErrorRef fileError(int64_t code, std::string_view text) {
    return VLError::make(VLPOSIXErrorDomain, code, {{VLLocalizedDescriptionKey, VLStringWithFormat(text)}});
}

void fail(VLErrorRef* error, int64_t code, std::string_view text) {
    if (error)
        *error = fileError(code, text);
}

bool digestMatches(const VLSHA256Digest& digest, const VLSHA256Digest& expected) {
    return std::ranges::equal(digest, expected);
}

} // namespace

std::shared_ptr<VLCheckedFile> VLCheckedFile::create(const std::string& path, const VLData& digest,
                                                     VLErrorRef* error) {
    if (digest.size() != 32) {
        fail(error, EIO, "the file has no valid digest");
        return nullptr;
    }
    // Non-blocking, so that a FIFO in the package cannot hang the opener; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        fail(error, errno, "can't open the file");
        return nullptr;
    }
    struct stat status;
    bool statusRead = ::fstat(fd, &status) == 0;
    if (!statusRead || !S_ISREG(status.st_mode)) {
        bool directory = statusRead && S_ISDIR(status.st_mode);
        ::close(fd);
        fail(error, directory ? EISDIR : EIO, "can't open the file");
        return nullptr;
    }
    VLSHA256Digest expected;
    std::ranges::copy(digest, expected.begin());
    return std::shared_ptr<VLCheckedFile>(new VLCheckedFile(fd, expected, uint64_t(status.st_size)));
}

VLCheckedFile::VLCheckedFile(int fd, const VLSHA256Digest& digest, uint64_t length)
    : _digest(digest), _fd(fd), _length(length) {}

VLCheckedFile::~VLCheckedFile() {
    ::close(_fd);
}

bool VLCheckedFile::hasNotGrown() const {
    uint8_t byte;
    return VLReadAt(_fd, &byte, 1, _length) == 0;
}

std::optional<VLData> VLCheckedFile::allDataWithError(VLErrorRef* error) {
    if (_length > kLargestWholeRead) {
        fail(error, EIO, "the file is too large");
        return std::nullopt;
    }
    VLData data;
    try {
        data.resize(_length);
    } catch (const std::bad_alloc&) {
        fail(error, ENOMEM, "there is no memory for the file");
        return std::nullopt;
    }
    if (VLReadFullyAt(_fd, data.data(), data.size(), 0) && hasNotGrown() &&
        digestMatches(VLSHA256::digest(data), _digest))
        return data;
    fail(error, EIO, "the file was changed after it was installed");
    return std::nullopt;
}

std::optional<VLData> VLCheckedFile::dataInRange(uint64_t location, uint64_t count, VLErrorRef* error) {
    {
        std::lock_guard guard(_lock);
        if (!verifyWithError(error))
            return std::nullopt;
    }
    // Once proved, ranges are read without hashing again: a reader of many small ranges (media) would
    // otherwise hash the whole file for each of them.
    if (location >= _length)
        return VLData();
    VLData data(std::min(count, _length - location));
    if (!VLReadFullyAt(_fd, data.data(), data.size(), location)) {
        fail(error, EIO, "the file was changed after it was installed");
        return std::nullopt;
    }
    return data;
}

bool VLCheckedFile::verifyWithError(VLErrorRef* error) {
    if (_verified)
        return true;
    VLSHA256 sha;
    VLData chunk(std::min(kChunkSize, _length));
    for (uint64_t offset = 0; offset < _length; offset += kChunkSize) {
        size_t size = size_t(std::min(kChunkSize, _length - offset));
        if (!VLReadFullyAt(_fd, chunk.data(), size, offset))
            break;
        sha.update(std::span(chunk.data(), size));
    }
    _verified = digestMatches(sha.finish(), _digest) && hasNotGrown();
    if (!_verified)
        fail(error, EIO, "the file was changed after it was installed");
    return _verified;
}
