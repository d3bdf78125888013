#include "Modules/Storage/VLStorageFile.h"

#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLFileIO.h"
#include "Platform/Foundation/VLPath.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kTag = "VLStorageArea";

std::mutex gWriterLock; // guards gWriter
VLStorageFile::Writer gWriter;

bool writeBytes(const std::string& path, std::span<const uint8_t> bytes) {
    VLStorageFile::Writer writer;
    {
        std::lock_guard lock(gWriterLock);
        writer = gWriter;
    }
    return writer ? writer(path, bytes) : VLWriteFileAtomically(path, bytes);
}

bool exists(const std::string& path) {
    struct stat status;
    return lstat(path.c_str(), &status) == 0;
}

void keepAside(const std::string& path) {
    const std::string aside = VLPathByAppendingExtension(path, "unreadable");
    if (std::rename(path.c_str(), aside.c_str()) != 0 && errno != ENOENT)
        VLLogError(kTag, "Couldn't write %@: %@", aside, std::strerror(errno));
}

} // namespace

VLStorageFile::Contents VLStorageFile::read(const std::string& path) {
    int error = 0;
    const std::optional<VLData> data = VLContentsOfFile(path, &error, maximumLength());
    if (!data) {
        if (error != EFBIG)
            return {};
        VLLogError(kTag, "Couldn't read %@: %@", path, std::strerror(error));
        return {{}, true};
    }
    VLErrorRef failure;
    auto elements = VLPropertyListSerialization::stringsOfTopArrayWithData(*data, &failure);
    if (!elements) {
        VLLogError(kTag, "Couldn't read %@: %@", path,
                   failure ? failure->localizedDescription() : std::string("not an array"));
        return {{}, true};
    }
    return {std::move(*elements), false};
}

void VLStorageFile::write(const std::string& path, const std::vector<std::string>& elements,
                          bool keepUnreadable) {
    if (keepUnreadable)
        keepAside(path);
    if (elements.empty()) {
        if (unlink(path.c_str()) != 0 && exists(path))
            VLLogError(kTag, "Couldn't delete %@: %@", path, std::strerror(errno));
        return;
    }
    VLArray array;
    array.reserve(elements.size());
    for (const std::string& element : elements)
        array.emplace_back(element);
    VLErrorRef failure;
    const std::optional<VLData> data = VLPropertyListSerialization::dataWithPropertyList(array, &failure);
    if (!data) {
        VLLogError(kTag, "Couldn't write %@: %@", path, failure ? failure->localizedDescription() : "");
        return;
    }
    if (!writeBytes(path, *data))
        VLLogError(kTag, "Couldn't write %@: %@", path, std::strerror(errno));
}

const std::shared_ptr<VLDispatchQueue>& VLStorageFile::queue() {
    // Made once and kept for the process's life: writes queued at its end are flushed, not dropped.
    static const auto* queue = new std::shared_ptr<VLDispatchQueue>(
        VLDispatchQueue::create(VLStringWithFormat("%@.storage", kVLReverseDomainPrefix)));
    return *queue;
}

void VLStorageFile::setWriter(Writer writer) {
    std::lock_guard lock(gWriterLock);
    gWriter = std::move(writer);
}
