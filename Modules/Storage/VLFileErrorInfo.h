#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>
#include <string_view>

// The file system module's errors as scripts see them, shaped like Node's system errors. Any thread.

// The errno's symbolic name ("ENOENT"), or "UNKNOWN" for one the module does not name.
std::string_view VLFileErrorCode(int number);

// {"code", "message", "syscall", "path"}: the errno's name, the message (when none, the C library's
// description of the errno in lower case), the failing step and the path as the script gave it.
VLDictionary VLFileErrorInfo(int number, std::optional<std::string> message, std::string_view syscall,
                             std::string_view path);

// The error info of the current errno.
VLDictionary VLFileErrnoInfo(std::string_view syscall, std::string_view path);

// The error info of an engine error: its code when it is a POSIX one (else the fallback errno) and its
// description in lower case.
VLDictionary VLFileErrorInfoOfError(const VLErrorRef& error, int fallbackNumber, std::string_view syscall,
                                    std::string_view path);
