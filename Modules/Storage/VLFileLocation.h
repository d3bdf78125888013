#pragma once

#include "Core/Runtime/VLFile.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class VLFileSystemManager;

// The access bits of the file system module beside reading (VLFilePermissionRead): the sandbox roots
// allow all three, the package only reading.
inline constexpr int32_t VLFilePermissionWrite = 2;
inline constexpr int32_t VLFilePermissionRemove = 4;

// Whether an operation acts through the last component when it is a link (reading, writing, listing)
// or on the link itself (removing, renaming).
enum class VLFileLastLink { Followed, Itself };

// Locations as the file system module's operations resolve them, on the runtime's file thread.

// The absolute path of the location when the operation may have the access asked for there and the
// path stays inside its root (the sandbox root, or the package) even through links; nothing otherwise,
// with the error info for the operation's step.
std::optional<std::string> VLFileResolve(VLFileSystemManager& manager, std::string_view location,
                                         int32_t permission, std::string_view syscall,
                                         VLDictionary* errorInfo,
                                         VLFileLastLink lastLink = VLFileLastLink::Followed);

// The directory of a sandbox location's root, the account of its quota and usage; "/" for any other
// location.
std::string VLFileLocationRoot(VLFileSystemManager& manager, std::string_view location);

// Takes the bytes (gives them back when negative) from the root's quota; false, with ENOSPC in the
// error info, when they do not fit.
bool VLFileReserve(VLFileSystemManager& manager, int64_t bytes, const std::string& root,
                   std::string_view syscall, std::string_view path, VLDictionary* errorInfo);
