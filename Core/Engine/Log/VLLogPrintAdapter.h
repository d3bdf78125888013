#pragma once

#include "Core/Engine/Log/VLLogAdapter.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

// The built-in sink: prints the records whose flag is in the process-wide print mask, one record a
// write, to the system log (standard error unless replaced, see VLSystemLog), as
//   app.velto.engine/<category> <type>: <text>
// A record of a scope other than the engine's own, written as a reverse-domain subsystem (the content
// host's "app.velto.mac.content"), prints under that subsystem instead.
// The mask is 0, printing nothing, until a host sets it (see VLLogSetLevelFromEnvironment).
class VLLogPrintAdapter final : public VLLogAdapter {
public:
    // A category's log: the subsystem and category that prefix its lines.
    class Log {
    public:
        Log(std::string subsystem, std::string category)
            : _subsystem(std::move(subsystem)), _category(std::move(category)) {}
        const std::string& subsystem() const { return _subsystem; }
        const std::string& category() const { return _category; }
        // type: "error", "default", "info" or "debug".
        void write(const char* type, const std::string& text) const;

    private:
        const std::string _subsystem;
        const std::string _category;
    };

    // The print mask; any thread.
    static void setLevel(uint64_t level);
    static uint64_t level();

    bool isLoggable(const VLLogMessage& message) override;
    void logWithMessage(const VLLogMessage& message) override;
    // The category's log, made on first use. Any thread.
    std::shared_ptr<const Log> logForCategory(const std::string& category);
    std::shared_ptr<const Log> logFor(const std::string& subsystem, const std::string& category);

private:
    static std::atomic<uint64_t> _level;
    std::mutex _logsLock;
    std::unordered_map<std::string, std::shared_ptr<const Log>> _logs;
};
