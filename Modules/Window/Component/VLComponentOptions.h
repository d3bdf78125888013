#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <optional>
#include <string>

// Reading the options object that component constructors take. On the JavaScript thread.

// The property `name` of the first argument; nullptr without an argument, when it is not an object or
// when the property is undefined. What a getter throws goes to `exception`, and nullptr comes back.
JSValueRef VLComponentGetOption(JSContextRef ctx, size_t argc, const JSValueRef argv[], const char* name,
                                JSValueRef* exception);
// The option as a native value; nil when it is absent, or at once when `exception` already holds one.
VLValue VLComponentConvertedOption(JSContextRef ctx, size_t argc, const JSValueRef argv[], const char* name,
                                   JSValueRef* exception);
// The text of a string value; nothing for other values and for the empty string.
std::optional<std::string> VLComponentSrcFromValue(JSContextRef ctx, JSValueRef value);
