#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// How the file system module writes files, on the runtime's file thread. Failures keep their errno.

// A failed step: its errno and the name scripts see for it ("open", "write", "rename"). No number, no
// failure.
struct VLFileFailure {
    int number = 0;
    std::string_view step;

    explicit operator bool() const { return number != 0; }
};

// Copies the rest of one open file into another, in the kernel where it can; false with errno set.
bool VLFileCopyAll(int from, int to);

// The size of the regular file at the path; 0 for anything else or nothing.
int64_t VLFileExistingSize(const std::string& path);

// Makes a new file beside the path (".<name>.XXXXXX", mode 0644), has the writer fill it and renames it
// over the path, so that readers see the old file or the new one. On a failure the new file is removed
// and the old one stays as it was.
using VLFileContentsWriter = std::function<VLFileFailure(int fd)>;
VLFileFailure VLFileReplaceContents(const std::string& path, const VLFileContentsWriter& writer);
