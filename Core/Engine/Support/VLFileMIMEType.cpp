#include "Core/Engine/Support/VLFileMIMEType.h"

#include "Platform/Foundation/VLMIMETypes.h"
#include "Platform/Foundation/VLPath.h"

#include <mutex>
#include <unordered_map>

namespace {

constexpr const char* kUnknownType = "application/octet-stream";

// Extension → answer, for any thread; guarded by its own mutex. Past the limit an arbitrary entry
// makes room.
class MIMETypeCache {
public:
    std::string typeForExtension(std::string_view extension) {
        std::lock_guard guard(_mutex);
        auto found = _types.find(std::string(extension));
        if (found != _types.end())
            return found->second;
        std::string type = VLPreferredMIMETypeForFilenameExtension(extension).value_or(kUnknownType);
        if (_types.size() >= kCountLimit)
            _types.erase(_types.begin());
        _types.emplace(extension, type);
        return type;
    }

private:
    static constexpr size_t kCountLimit = 1024;
    std::mutex _mutex;
    std::unordered_map<std::string, std::string> _types;
};

} // namespace

std::string VLFileMIMETypeWithAbsolutePath(std::string_view path) {
    std::string_view extension = VLPathExtension(path);
    if (extension.empty())
        return kUnknownType;
    static MIMETypeCache* cache = new MIMETypeCache();
    return cache->typeForExtension(extension);
}
