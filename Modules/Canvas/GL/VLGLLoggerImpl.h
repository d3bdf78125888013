#pragma once

#include "Core/Engine/JS/VLJSConsole.h"
#include "Modules/Canvas/GL/VLGLLogger.h"

#include <memory>

class VLJSBindingContext;

// Writes GL diagnostics to a binding context's script console, on its JavaScript thread (at once when
// called there). Nothing once the binding context is gone. Any thread.
class VLGLLoggerImpl final : public VLGLLogger {
public:
    explicit VLGLLoggerImpl(const std::shared_ptr<VLJSBindingContext>& bindingContext);

    void logUsingLogLevelWithContent(const std::string& content) override;
    void logUsingInfoLevelWithContent(const std::string& content) override;
    void logUsingWarnLevelWithContent(const std::string& content) override;
    void logUsingErrorLevelWithContent(const std::string& content) override;

private:
    void write(VLJSLogOutputBlock (*console)(JSContextRef), const std::string& content);

    std::weak_ptr<VLJSBindingContext> _bindingContext;
};
