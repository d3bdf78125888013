#include "Core/Engine/Support/VLFileMIMEType.h"

#include "Platform/Foundation/VLMIMETypeDatabase.h"

#include <mutex>
#include <unordered_map>

namespace {

constexpr const char* kUnknownType = "application/octet-stream";

// The extension of the path's last component: the text after its last dot. A name that only starts
// with a dot (".profile") has none; trailing slashes are ignored.
std::string_view pathExtension(std::string_view path) {
    while (path.size() > 1 && path.ends_with('/'))
        path.remove_suffix(1);
    size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

// Extension → answer, for any thread; guarded by its own mutex. Past the limit an arbitrary entry
// makes room.
class MIMETypeCache {
public:
    std::string typeForExtension(std::string_view extension) {
        std::lock_guard guard(_mutex);
        auto found = _types.find(std::string(extension));
        if (found != _types.end())
            return found->second;
        std::string type =
            VLMIMETypeDatabase::system().preferredMIMETypeForExtension(extension).value_or(kUnknownType);
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
    std::string_view extension = pathExtension(path);
    if (extension.empty())
        return kUnknownType;
    static MIMETypeCache* cache = new MIMETypeCache();
    return cache->typeForExtension(extension);
}
