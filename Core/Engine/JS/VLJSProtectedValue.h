#pragma once

#include <JavaScriptCore/JavaScript.h>

// A script value kept from the collector for as long as this object lives; it also keeps its global
// context. Made and destroyed on the context's thread: hand such values to other threads only inside
// work that runs on that thread again.
class VLJSProtectedValue {
public:
    VLJSProtectedValue() = default;
    VLJSProtectedValue(JSContextRef ctx, JSValueRef value);
    VLJSProtectedValue(const VLJSProtectedValue& other) : VLJSProtectedValue(other._context, other._value) {}
    VLJSProtectedValue(VLJSProtectedValue&& other) noexcept;
    VLJSProtectedValue& operator=(VLJSProtectedValue other) noexcept;
    ~VLJSProtectedValue();

    JSGlobalContextRef context() const { return _context; }
    JSValueRef value() const { return _value; }
    // The value as an object, or nullptr when it is none.
    JSObjectRef object() const;
    explicit operator bool() const { return _value != nullptr; }

private:
    JSGlobalContextRef _context = nullptr;
    JSValueRef _value = nullptr;
};
