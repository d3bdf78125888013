#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <memory>
#include <string>

class VLBlobURLStore;

// What a file system manager needs of the runtime that owns it. The values are fixed at launch, so
// any thread may ask.
class VLFileSystemOwner {
public:
    virtual ~VLFileSystemOwner() = default;

    // The runtime's identity: the name of its temporary directory.
    virtual std::string identity() const = 0;
    // The package root.
    virtual std::string bundlePath() const = 0;
    // The persistent data directory; empty for none.
    virtual std::string dataPath() const = 0;
    // Package-relative path → 32-byte SHA-256 digest (data). Nil: package files are read unchecked; an
    // empty dictionary: every package file is refused.
    virtual VLValue packageDigests() const = 0;
    virtual bool allowsAppFiles() const = 0;
    // Bytes; 0 for no quota.
    virtual uint64_t dataQuota() const = 0;
    virtual std::shared_ptr<VLBlobURLStore> blobURLStore() const = 0;
};
