#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <functional>
#include <string>
#include <string_view>

// Writes one text to a script's own console, as "[yyyy-MM-dd HH:mm:ss] text" in local time, and logs
// it at the debug level. Meant for one call, made at once on the context's thread; an empty text
// writes nothing.
using VLJSLogOutputBlock = std::function<void(std::string_view text)>;

// The output block of the console function that the expression names ("console.warn"); a block that
// does nothing when there is no context or no such function.
VLJSLogOutputBlock VLJSCreateLogOutputBlock(JSContextRef ctx, std::string_view functionName);

VLJSLogOutputBlock VLJSConsoleLog(JSContextRef ctx);
VLJSLogOutputBlock VLJSConsoleInfo(JSContextRef ctx);
VLJSLogOutputBlock VLJSConsoleWarn(JSContextRef ctx);
VLJSLogOutputBlock VLJSConsoleError(JSContextRef ctx);

// The local date and time as the console lines show it: "yyyy-MM-dd HH:mm:ss".
std::string VLJSConsoleTimestamp();
