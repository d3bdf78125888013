#include "Platform/WindowServer/VLWSPasteboard.h"

#include <cctype>
#include <cstdio>

namespace {

std::string percentEncodedPath(const std::string& path) {
    std::string encoded;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += char(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
}

} // namespace

std::vector<VLURL> VLWSPasteboard::fileURLs() const {
    std::vector<VLURL> urls;
    for (const auto& path : _paths)
        if (!path.empty() && path.front() == '/')
            urls.emplace_back("file://" + percentEncodedPath(path));
    return urls;
}

std::vector<std::string> VLWSPasteboard::types() const {
    return fileURLs().empty() ? std::vector<std::string>{}
                              : std::vector<std::string>{VLWSPasteboardTypeFileURL};
}
