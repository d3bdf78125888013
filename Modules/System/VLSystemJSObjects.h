#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <memory>
#include <optional>
#include <string>

class VLJSBindingContext;
class VLRuntime;

// How the system bindings build the plain objects they hand to scripts: made without a prototype, so
// that setting their properties runs no setter a script put on Object.prototype, then given the
// ordinary prototype once filled. JavaScript thread.

// A new object with a null prototype.
JSObjectRef VLMakeObject(JSContextRef ctx);
// Sets a named property, with no attributes.
void VLSetValue(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef value);
// A string, or null for nothing.
void VLSetString(JSContextRef ctx, JSObjectRef object, const char* name,
                 const std::optional<std::string>& string);
// A number, or null for nothing.
void VLSetOptionalNumber(JSContextRef ctx, JSObjectRef object, const char* name,
                         std::optional<double> number);
// Gives the object the ordinary object prototype.
void VLFinishObject(JSContextRef ctx, JSObjectRef object);
// Replaces the prelude's accessor Velto[name] with a read-only property holding the object, once the
// accessor could be deleted.
void VLPublishInVelto(JSContextRef ctx, const char* name, JSObjectRef object);
// The runtime whose scope the binding context is; nullptr for another context, or once it is gone.
std::shared_ptr<VLRuntime>
VLRuntimeOfBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext);
// The wall clock, in milliseconds since 1970.
double VLNowMilliseconds();
