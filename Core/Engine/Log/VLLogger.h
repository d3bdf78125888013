#pragma once

#include "Platform/Foundation/VLStringWithFormat.h"

#include <cstdint>
#include <string>
#include <string_view>

// Makes log records for one tag and scope. File and function may be null.
class VLLogger {
public:
    virtual ~VLLogger() = default;

    virtual void logWithFlag(uint64_t flag, const char* file, const char* function, uint64_t line,
                             std::string message) = 0;
    template <typename... Arguments>
    void logWithFlagFormat(uint64_t flag, const char* file, const char* function, uint64_t line,
                           std::string_view format, const Arguments&... arguments) {
        logWithFlag(flag, file, function, line, VLStringWithFormat(format, arguments...));
    }

    virtual const std::string& scope() const = 0;
    virtual const std::string& tag() const = 0;
    // The mask copied into each record; the logger itself filters nothing.
    virtual uint64_t level() const = 0;
    virtual void setLevel(uint64_t level) = 0;
};
