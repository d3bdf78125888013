#pragma once

#include "Platform/Foundation/VLURL.h"

#include <string>
#include <vector>

// The type under which a pasteboard holds file URLs, and for which windows register as destinations.
inline constexpr const char* VLWSPasteboardTypeFileURL = "public.file-url";

// What a drag carries: file paths, handed out as file URLs. Immutable.
class VLWSPasteboard final {
public:
    explicit VLWSPasteboard(std::vector<std::string> paths) : _paths(std::move(paths)) {}

    // "file://" URLs of the absolute paths, percent-encoded, in the order given; relative paths are
    // left out.
    std::vector<VLURL> fileURLs() const;
    std::vector<std::string> types() const;

private:
    std::vector<std::string> _paths;
};
