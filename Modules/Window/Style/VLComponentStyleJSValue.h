#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <optional>

// How script values become style values. On the JavaScript thread of the context.

// A number stays a number, a string a string; anything else (and no value) gives nothing.
std::optional<VLValue> VLComponentStyleValueFromJSValue(JSContextRef ctx, JSValueRef value);

// The style names of an object with their values: names outside the style set, properties whose getter
// throws and values of other kinds are left out. Nothing for no value, a non-object, an array, a typed
// array or an array buffer, which leave a style alone.
std::optional<VLDictionary> VLComponentStyleFromJSValue(JSContextRef ctx, JSValueRef value);
