#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Paths as the file system sees them. Any thread.

// Whether the path can name a file: valid UTF-8 without U+0000. The empty path can.
bool VLFilePathIsRepresentable(std::string_view path);

// The path as the file system stores it, symbolic links resolved: what the open file's link in /proc
// names. Nothing when the path cannot be opened.
std::optional<std::string> VLStoredPath(const std::string& path);

// The bytes of every regular file in the tree (hidden ones included, links not followed); what cannot
// be read counts 0.
int64_t VLDirectorySize(const std::string& path);
