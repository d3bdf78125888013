#pragma once

#include "Core/Engine/JS/VLJSEngine.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

// How velto prints what scripts produce: console lines "LEVEL: TEXT" and script messages
// "message NAME: JSON" on standard output; exception reports "exception: MESSAGE" and "stack: STACK" and
// dynamic code "dynamic-code KIND: SOURCE" on standard error. Each line is written whole, so that lines
// of the two streams do not mix. Any thread.
class VLScriptOutput {
public:
    VLScriptOutput() = delete;

    static void writeLine(std::FILE* stream, const std::string& line);

    static VLJSEngine::ConsoleHandler consoleHandler();
    static VLJSEngine::ExceptionHandler exceptionHandler();
    static std::shared_ptr<VLJSEngineScriptMessageHandler> messageHandler(std::string name);
    static std::function<void(const std::string& kind, const std::string& source)> dynamicCodeHandler();
};
