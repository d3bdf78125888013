#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// One log record. Immutable once made, so it passes from the logging thread to the log queue.
class VLLogMessage {
public:
    VLLogMessage(std::string message, std::string scope, std::string tag, uint64_t level, uint64_t flag,
                 std::optional<std::string> file, std::optional<std::string> function, uint64_t line,
                 VLDate timestamp, std::string threadID, std::string threadName, std::string queueLabel);

    // A record of the calling thread: now, its thread identifier, thread name and queue label.
    static std::shared_ptr<const VLLogMessage> makeOnCurrentThread(std::string message, std::string scope,
                                                                   std::string tag, uint64_t level,
                                                                   uint64_t flag, const char* file,
                                                                   const char* function, uint64_t line);

    const std::string& message() const { return _message; }
    const std::string& scope() const { return _scope; }
    const std::string& tag() const { return _tag; }
    // The level mask of the logger that made the record.
    uint64_t level() const { return _level; }
    // The record's own level flag.
    uint64_t flag() const { return _flag; }
    const std::optional<std::string>& file() const { return _file; }
    const std::optional<std::string>& function() const { return _function; }
    uint64_t line() const { return _line; }
    VLDate timestamp() const { return _timestamp; }
    // The kernel's thread id in decimal, or "missing threadId".
    const std::string& threadID() const { return _threadID; }
    // Empty for a thread without a name of its own.
    const std::string& threadName() const { return _threadName; }
    // Empty off a queue.
    const std::string& queueLabel() const { return _queueLabel; }

private:
    const std::string _message;
    const std::string _scope;
    const std::string _tag;
    const uint64_t _level;
    const uint64_t _flag;
    const std::optional<std::string> _file;
    const std::optional<std::string> _function;
    const uint64_t _line;
    const VLDate _timestamp;
    const std::string _threadID;
    const std::string _threadName;
    const std::string _queueLabel;
};
