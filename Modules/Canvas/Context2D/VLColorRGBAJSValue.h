#pragma once

#include "Modules/Canvas/Context2D/VLColorRGBA.h"

#include <JavaScriptCore/JavaScript.h>

// The canvas colour as scripts give and see it; on the thread that runs the context.

// A script string read as a CSS colour (VLUTF8StringGetColorRGBA). Any other value, or none, is refused
// without being converted: false, the output untouched.
bool VLJSValueGetColorRGBA(JSContextRef context, JSValueRef value, VLColorRGBA* color);

// The colour as the string "rgba(r,g,b,a)", alpha in 0...1 with three decimals.
JSValueRef VLColorRGBAToJSValue(JSContextRef context, VLColorRGBA color);
