#pragma once

#include <string>

// Where the GL layer's diagnostics go: a share group's logger writes them to the console of the
// widget that owns the group. Called on the thread whose context logs.
class VLGLLogger {
public:
    virtual ~VLGLLogger() = default;

    // Each takes the finished text.
    virtual void logUsingLogLevelWithContent(const std::string& content) = 0;
    virtual void logUsingInfoLevelWithContent(const std::string& content) = 0;
    virtual void logUsingWarnLevelWithContent(const std::string& content) = 0;
    virtual void logUsingErrorLevelWithContent(const std::string& content) = 0;
};
