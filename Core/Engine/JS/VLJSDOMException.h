#pragma once

#include <JavaScriptCore/JavaScript.h>

// Defines the global DOMException (name, message, the legacy code of its name, prototype chained to
// Error.prototype) unless the context already has one. The engine calls it before any prelude runs.
// Returns whether the global exists afterwards.
bool VLJSDefineDOMException(JSContextRef ctx);
