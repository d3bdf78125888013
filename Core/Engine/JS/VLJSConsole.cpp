#include "Core/Engine/JS/VLJSConsole.h"

#include "Core/Engine/JS/VLJSProtectedValue.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <ctime>
#include <memory>

namespace {

// What one output block holds: the console function, protected until the block has written.
struct LogOutput {
    VLJSProtectedValue function;

    void write(std::string_view text) {
        JSObjectRef callee = function.object();
        if (!callee || text.empty()) {
            function = {};
            return;
        }
        JSGlobalContextRef ctx = function.context();
        VLLogDebug("VLJSConsoleLog", "%@", std::string(text));
        const std::string line = VLStringWithFormat("[%@] %@", VLJSConsoleTimestamp(), std::string(text));
        JSValueRef argument = VLJSValueFromNSString(ctx, line);
        JSObjectCallAsFunction(ctx, callee, JSContextGetGlobalObject(ctx), 1, &argument, nullptr);
        function = {};
    }
};

} // namespace

VLJSLogOutputBlock VLJSCreateLogOutputBlock(JSContextRef ctx, std::string_view functionName) {
    static const VLJSLogOutputBlock nothing = [](std::string_view) {};
    JSObjectRef function = VLJSFunctionFromScript(ctx, functionName);
    if (!function)
        return nothing;
    auto output = std::make_shared<LogOutput>(LogOutput{VLJSProtectedValue(ctx, function)});
    return [output](std::string_view text) { output->write(text); };
}

VLJSLogOutputBlock VLJSConsoleLog(JSContextRef ctx) {
    return VLJSCreateLogOutputBlock(ctx, "console.log");
}

VLJSLogOutputBlock VLJSConsoleInfo(JSContextRef ctx) {
    return VLJSCreateLogOutputBlock(ctx, "console.info");
}

VLJSLogOutputBlock VLJSConsoleWarn(JSContextRef ctx) {
    return VLJSCreateLogOutputBlock(ctx, "console.warn");
}

VLJSLogOutputBlock VLJSConsoleError(JSContextRef ctx) {
    return VLJSCreateLogOutputBlock(ctx, "console.error");
}

std::string VLJSConsoleTimestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}
