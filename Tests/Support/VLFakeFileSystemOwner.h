#pragma once

#include "Core/Runtime/VLBlobURLStore.h"
#include "Core/Runtime/VLFileSystemOwner.h"

#include <memory>
#include <string>

// The runtime as a file system manager sees it, with every answer settable. Set it up before the
// manager reads it, on the thread that uses the manager.
class VLFakeFileSystemOwner final : public VLFileSystemOwner {
public:
    std::string identity() const override { return identityValue; }
    std::string bundlePath() const override { return bundle; }
    std::string dataPath() const override { return data; }
    VLValue packageDigests() const override { return digests; }
    bool allowsAppFiles() const override { return appFiles; }
    uint64_t dataQuota() const override { return quota; }
    std::shared_ptr<VLBlobURLStore> blobURLStore() const override { return store; }

    std::string identityValue = "3F2504E0-4F89-11D3-9A0C-0305E82C3301";
    std::string bundle;
    std::string data;
    VLValue digests;
    bool appFiles = false;
    uint64_t quota = 0;
    std::shared_ptr<VLBlobURLStore> store = std::make_shared<VLBlobURLStore>();
};
