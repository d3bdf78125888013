#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The access bits of a location. Reading is the one every location has; the sandbox roots have every
// kind, whose other bits the file system module defines.
inline constexpr int32_t VLFilePermissionRead = 1;
inline constexpr int32_t VLFilePermissionAll = 7;

// What a location resolves to: the access it allows and its absolute path. A failed resolution is
// (0, nothing).
struct VLFile {
    int32_t permission = 0;
    std::optional<std::string> path;

    // Whether every bit of the access asked for is allowed.
    bool allows(int32_t access) const { return (permission & access) == access; }
};
