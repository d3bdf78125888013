#include "Tools/velto/VLScriptOutput.h"

#include "Tools/velto/VLPrintingMessageHandler.h"

void VLScriptOutput::writeLine(std::FILE* stream, const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

VLJSEngine::ConsoleHandler VLScriptOutput::consoleHandler() {
    return [](const std::string& level, const std::string& text) { writeLine(stdout, level + ": " + text); };
}

VLJSEngine::ExceptionHandler VLScriptOutput::exceptionHandler() {
    return [](const std::string& message, const std::optional<std::string>& callStack) {
        writeLine(stderr, "exception: " + message);
        if (callStack)
            writeLine(stderr, "stack: " + *callStack);
    };
}

std::shared_ptr<VLJSEngineScriptMessageHandler> VLScriptOutput::messageHandler(std::string name) {
    return std::make_shared<VLPrintingMessageHandler>(std::move(name));
}

std::function<void(const std::string& kind, const std::string& source)> VLScriptOutput::dynamicCodeHandler() {
    return [](const std::string& kind, const std::string& source) {
        writeLine(stderr, "dynamic-code " + kind + ": " + source);
    };
}
