#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

// Plain functions through which native code exchanges values with scripts. Each takes the context
// first and must be called on the thread that runs it. None throws into native code: failures give
// nullptr, nil, nothing, 0 or false.

// Protection from garbage collection while native code holds a value; nothing when either is null.
void VLJSValueProtect(JSContextRef ctx, JSValueRef value);
void VLJSValueUnprotect(JSContextRef ctx, JSValueRef value);

// A script string of the UTF-8 text.
JSValueRef VLJSValueFromNSString(JSContextRef ctx, std::string_view string);
// A script string of a NUL-terminated UTF-8 text; nullptr gives null.
JSValueRef VLJSValueFromUTF8String(JSContextRef ctx, const char* string);
// The text of a string value; nothing for any other type (no conversion) and for null arguments.
std::optional<std::string> VLJSValueToNSString(JSContextRef ctx, JSValueRef value);
// Any value through the script string conversion, which may run script code; nothing when that
// throws (the exception is swallowed) or an argument is null.
std::optional<std::string> VLJSValueTransformToNSString(JSContextRef ctx, JSValueRef value);
// The same, the text cut to at most byteLimit bytes and marked as cut (VLJSString::toUTF8): for texts
// that reports keep, whose size must not follow what a script makes.
std::optional<std::string> VLJSValueTransformToNSString(JSContextRef ctx, JSValueRef value, size_t byteLimit);
// Copies a string value into the buffer as NUL-terminated UTF-8, cut to fit (never inside a
// character); any other value, or a null argument, leaves the buffer untouched.
void VLJSValueToUTF8String(JSContextRef ctx, JSValueRef value, char* buffer, size_t bufferSize);

// The argument reader of the bindings: a number as it is (NaN and infinities included), true as 1,
// everything else 0. Never converts, allocates or runs script code.
double VLJSValueToNumberFast(JSContextRef ctx, JSValueRef value);

// A native value graph as script values: strings, booleans, numbers, dates (Date), arrays, data
// (ArrayBuffer, null when empty) and dictionaries in their order; nil and null give null. Data bytes
// are copied once, since a script may write into its buffer and a VLValue's bytes are shared. As in the
// other direction, what lies deeper than 64 levels of containers gives null at that place. Containers
// are read by the engine from JSON text (dates, data, NaN, infinities and negative zero set in their
// places afterwards), which defines every property: no setter of a prototype runs and a "__proto__"
// key is a key.
JSValueRef VLJSValueFromNSObject(JSContextRef ctx, const VLValue& object);
// An ArrayBuffer that takes over the bytes without copying them; they are freed when the buffer is
// collected. Empty data gives null.
JSValueRef VLJSValueFromNSDataNoCopy(JSContextRef ctx, VLData&& data);

// Limits of one conversion; the depth holds both ways.
inline constexpr size_t kVLJSConversionMaxDepth = 64;
inline constexpr size_t kVLJSConversionBudget = 1048576;

// The state of one conversion to native values, kept on the converting call's stack.
struct VLJSConversionState {
    // The objects from the top value down to the one being converted.
    JSValueRef stack[kVLJSConversionMaxDepth] = {};
    size_t depth = 0;
    // Nested values that may still be converted.
    size_t budget = kVLJSConversionBudget;
    bool failed = false;
    // Dates become dates (at any depth) instead of dictionaries of their enumerable properties.
    bool convertsDates = false;
    // The global "Array" constructor and its prototype when the conversion started; found on first need.
    bool lookedUpArray = false;
    JSObjectRef arrayConstructor = nullptr;
    JSObjectRef arrayPrototype = nullptr;
};

// A script value as a native value graph: undefined and null give nil (null inside containers),
// arrays arrays, typed arrays and buffers copied data, other objects dictionaries of their
// enumerable properties. Cycles and nesting deeper than 64 give null at that place; more than
// 1,048,576 nested values, or an array longer than that, give nil as a whole.
VLValue VLJSValueToNSObject(JSContextRef ctx, JSValueRef value);
// The recursive worker of VLJSValueToNSObject.
VLValue VLJSValueToNSObjectWithConversion(JSContextRef ctx, JSValueRef value, VLJSConversionState& state);
// The conversion that script messages and results handed to native callers get: like
// VLJSValueToNSObject, but a top-level null gives null (not nil) and dates give dates (null when invalid).
VLValue VLJSValueToObject(JSContextRef ctx, JSValueRef value);

// The object's enumerable property names, or nullptr when the enumeration threw (a proxy's trap).
JSPropertyNameArrayRef VLJSObjectCopyPropertyNames(JSContextRef ctx, JSObjectRef object);

// The bytes of a typed array view (from its byte offset on) or of an ArrayBuffer, with their length;
// nullptr and 0 for any other value.
void* VLJSValueGetTypedArrayPtr(JSContextRef ctx, JSValueRef value, size_t* byteLength = nullptr);

// A script's source URL: empty and "velto://" texts unchanged, otherwise "velto://" and the path
// with a leading "/" ("index.js" gives "velto:///index.js").
std::string VLJSSourceURLStandardize(std::string_view sourceURL);

// Evaluates the text (no source URL, global this, exceptions ignored) and returns the result when it
// is a function; nullptr otherwise.
JSObjectRef VLJSFunctionFromScript(JSContextRef ctx, std::string_view script);
// The property's value when the object has it (own or inherited); nullptr otherwise.
JSValueRef VLGetJSObjectProperty(JSContextRef ctx, JSObjectRef object, const char* name);
// The property when it is a function; nullptr otherwise.
JSObjectRef VLJSFunctionFromProperty(JSContextRef ctx, JSObjectRef object, const char* name);
// Whether the value converts to a dictionary with an entry for every key (true for no keys).
bool VLJSValueHasTargetObjectKeys(JSContextRef ctx, JSValueRef value,
                                  std::initializer_list<std::string_view> keys);
