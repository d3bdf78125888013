#include "Modules/Canvas/GL/VLGLLoggerImpl.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"

VLGLLoggerImpl::VLGLLoggerImpl(const std::shared_ptr<VLJSBindingContext>& bindingContext)
    : _bindingContext(bindingContext) {}

void VLGLLoggerImpl::logUsingLogLevelWithContent(const std::string& content) {
    write(VLJSConsoleLog, content);
}

void VLGLLoggerImpl::logUsingInfoLevelWithContent(const std::string& content) {
    write(VLJSConsoleInfo, content);
}

void VLGLLoggerImpl::logUsingWarnLevelWithContent(const std::string& content) {
    write(VLJSConsoleWarn, content);
}

void VLGLLoggerImpl::logUsingErrorLevelWithContent(const std::string& content) {
    write(VLJSConsoleError, content);
}

void VLGLLoggerImpl::write(VLJSLogOutputBlock (*console)(JSContextRef), const std::string& content) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    if (!bindingContext)
        return;
    // The texture loader's context logs from its own queue: the console is reached on the JavaScript
    // thread only.
    VLJSBindingPerformBlockOnThread(bindingContext, [weakContext = _bindingContext, console, content] {
        if (std::shared_ptr<VLJSBindingContext> bindingContext = weakContext.lock())
            console(bindingContext->globalCtx())(content);
    });
}
