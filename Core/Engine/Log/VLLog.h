#pragma once

#include "Core/Engine/Log/VLLogLevels.h"
#include "Core/Engine/Log/VLLogger.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <string_view>

// The engine's log calls. The tag is the calling class's name; file, function and line are filled in:
//   VLLogError("VLRuntime", "Can't load %@: %@", path, error->localizedDescription());
//   VLLogDebug("VLJSConsoleLog", "%@", text);
// Any thread. Records reach the sinks in the order of the calls; what is printed is decided by the
// print mask (VELTO_LOG, see VLLogLevels.h).
#define VLLogError(tag, format, ...) VLLogWithFlag(VLLogFlagError, tag, format __VA_OPT__(, ) __VA_ARGS__)
#define VLLogDefault(tag, format, ...) VLLogWithFlag(VLLogFlagDefault, tag, format __VA_OPT__(, ) __VA_ARGS__)
#define VLLogInfo(tag, format, ...) VLLogWithFlag(VLLogFlagInfo, tag, format __VA_OPT__(, ) __VA_ARGS__)
#define VLLogDebug(tag, format, ...) VLLogWithFlag(VLLogFlagDebug, tag, format __VA_OPT__(, ) __VA_ARGS__)
#define VLLogWithFlag(flag, tag, format, ...)                                                                \
    _VLLog(VLLogScope, tag, flag, __FILE__, __PRETTY_FUNCTION__, __LINE__, format __VA_OPT__(, ) __VA_ARGS__)

// The scope of the engine's own records.
inline constexpr const char* VLLogScope = "Velto";

// The log service's logger for the tag and scope; nullptr when no log service is registered.
std::shared_ptr<VLLogger> VLLogLoggerFor(std::string_view scope, std::string_view tag);

// Returns once every record logged so far has reached the sinks: before a process exits, or in tests.
// Without a log service, or when none can be made, at once.
void VLLogFlush() noexcept;

// The one entry point behind the macros. Without a log service nothing, not even the format, is done.
// Logging never fails its caller: a record that cannot be made or queued (no memory, no thread for the
// service) is dropped.
template <typename... Arguments>
void _VLLog(std::string_view scope, std::string_view tag, uint64_t flag, const char* file,
            const char* function, uint64_t line, std::string_view format,
            const Arguments&... arguments) noexcept {
    try {
        if (std::shared_ptr<VLLogger> logger = VLLogLoggerFor(scope, tag))
            logger->logWithFlag(flag, file, function, line, VLStringWithFormat(format, arguments...));
    } catch (const std::exception&) {
        // Dropped.
    }
}
