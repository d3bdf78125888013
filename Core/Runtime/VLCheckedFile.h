#pragma once

#include "Core/Runtime/VLPackageFile.h"
#include "Platform/Foundation/VLSHA256.h"

#include <memory>
#include <mutex>
#include <string>

// A package file read only after its SHA-256 digest matched the one the host gave, and while it has
// not grown: opened once, its size fixed at opening. Failures are POSIX-domain errors carrying only a
// description. Any thread: positional reads share the descriptor without moving an offset, and the
// one-time proof for ranged reads is guarded by _lock.
class VLCheckedFile final : public VLPackageFile {
public:
    // Nothing, with the error, for a digest that is not 32 bytes, a path that cannot be opened, or one
    // that is not a regular file.
    static std::shared_ptr<VLCheckedFile> create(const std::string& path, const VLData& digest,
                                                 VLErrorRef* error = nullptr);
    ~VLCheckedFile() override;
    VLCheckedFile(const VLCheckedFile&) = delete;
    VLCheckedFile& operator=(const VLCheckedFile&) = delete;

    uint64_t length() const override { return _length; }
    // Read and proved whole on every call; files of 4 GiB or more are refused.
    std::optional<VLData> allDataWithError(VLErrorRef* error = nullptr) override;
    // The whole file is proved once, in 1 MiB chunks, before the first range is handed out.
    std::optional<VLData> dataInRange(uint64_t location, uint64_t count,
                                      VLErrorRef* error = nullptr) override;

private:
    VLCheckedFile(int fd, const VLSHA256Digest& digest, uint64_t length);

    bool verifyWithError(VLErrorRef* error);
    // Whether the file still ends where it ended at opening.
    bool hasNotGrown() const;

    const VLSHA256Digest _digest;
    const int _fd;
    const uint64_t _length;
    std::mutex _lock; // guards _verified
    bool _verified = false;
};
