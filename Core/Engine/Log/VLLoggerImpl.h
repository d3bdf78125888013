#pragma once

#include "Core/Engine/Log/VLLogger.h"
#include "Core/Engine/Log/VLLoggerDelegate.h"

#include <atomic>
#include <memory>
#include <string>

// A logger that hands each record to its delegate (the log service). Any thread.
class VLLoggerImpl final : public VLLogger {
public:
    VLLoggerImpl(std::string tag, std::string scope, std::weak_ptr<VLLoggerDelegate> delegate = {})
        : _scope(std::move(scope)), _tag(std::move(tag)), _delegate(std::move(delegate)) {}

    // Drops the record when the delegate is gone.
    void logWithFlag(uint64_t flag, const char* file, const char* function, uint64_t line,
                     std::string message) override;

    const std::string& scope() const override { return _scope; }
    const std::string& tag() const override { return _tag; }
    uint64_t level() const override { return _level; }
    void setLevel(uint64_t level) override { _level = level; }

private:
    const std::string _scope;
    const std::string _tag;
    std::atomic<uint64_t> _level = ~uint64_t(0);
    const std::weak_ptr<VLLoggerDelegate> _delegate;
};
