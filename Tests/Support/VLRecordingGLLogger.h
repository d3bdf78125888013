#pragma once

#include "Modules/Canvas/GL/VLGLLogger.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

// A GL logger that keeps each line with its level; any thread.
class VLRecordingGLLogger final : public VLGLLogger {
public:
    void logUsingLogLevelWithContent(const std::string& content) override { add("log", content); }
    void logUsingInfoLevelWithContent(const std::string& content) override { add("info", content); }
    void logUsingWarnLevelWithContent(const std::string& content) override { add("warn", content); }
    void logUsingErrorLevelWithContent(const std::string& content) override { add("error", content); }

    std::vector<std::pair<std::string, std::string>> lines() {
        std::lock_guard guard(_lock);
        return _lines;
    }

private:
    void add(const char* level, const std::string& content) {
        std::lock_guard guard(_lock);
        _lines.emplace_back(level, content);
    }

    std::mutex _lock;
    std::vector<std::pair<std::string, std::string>> _lines;
};
