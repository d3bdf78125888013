#include "Core/Engine/JS/VLJSProtectedValue.h"

#include <utility>

VLJSProtectedValue::VLJSProtectedValue(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value)
        return;
    _context = JSGlobalContextRetain(JSContextGetGlobalContext(ctx));
    _value = value;
    JSValueProtect(_context, _value);
}

VLJSProtectedValue::VLJSProtectedValue(VLJSProtectedValue&& other) noexcept
    : _context(std::exchange(other._context, nullptr)), _value(std::exchange(other._value, nullptr)) {}

VLJSProtectedValue& VLJSProtectedValue::operator=(VLJSProtectedValue other) noexcept {
    std::swap(_context, other._context);
    std::swap(_value, other._value);
    return *this;
}

VLJSProtectedValue::~VLJSProtectedValue() {
    if (!_context)
        return;
    JSValueUnprotect(_context, _value);
    JSGlobalContextRelease(_context);
}

JSObjectRef VLJSProtectedValue::object() const {
    if (!_value || !JSValueIsObject(_context, _value))
        return nullptr;
    return JSValueToObject(_context, _value, nullptr);
}
