#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>

// The fill rule a script names: 1 (even-odd) for the string "evenodd" alone, else 0 (non-zero), a
// missing value included. JavaScript thread.
int32_t VLPathFillRuleFromJSValue(JSContextRef ctx, JSValueRef value);
