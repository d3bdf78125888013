#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// One argument of VLStringWithFormat. Integers, floating-point numbers, C strings, strings, values and
// pointers; each conversion takes what it needs from whichever was given.
class VLFormatArgument {
public:
    template <typename T>
    requires(std::is_integral_v<T>&& std::is_signed_v<T> && !std::is_same_v<T, bool> &&
             !std::is_same_v<T, char>) VLFormatArgument(T value)
        : _value(int64_t(value)) {}
    template <typename T>
    requires(std::is_integral_v<T>&& std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
        VLFormatArgument(T value)
        : _value(uint64_t(value)) {}
    VLFormatArgument(char value) : _value(int64_t(value)) {}
    VLFormatArgument(bool value) : _value(VLValue(value)) {}
    VLFormatArgument(double value) : _value(value) {}
    VLFormatArgument(float value) : _value(double(value)) {}
    VLFormatArgument(const char* value) : _value(VLValue(value)) {}
    VLFormatArgument(const std::string& value) : _value(VLValue(value)) {}
    VLFormatArgument(std::string_view value) : _value(VLValue(value)) {}
    VLFormatArgument(const VLValue& value) : _value(value) {}
    VLFormatArgument(std::nullptr_t) : _value(VLValue()) {}
    VLFormatArgument(const void* value) : _value(value) {}

    int64_t asSigned() const;
    uint64_t asUnsigned() const;
    double asDouble() const;
    // The text %@ shows: the object's description ("(null)" for nil).
    std::string asObjectDescription() const;
    // The text %s shows.
    std::string asCString() const;
    const void* asPointer() const;

private:
    std::variant<int64_t, uint64_t, double, VLValue, const void*> _value;
};

// Fills a format written in Foundation's style: %@ for objects (strings, numbers as Foundation
// describes them, booleans, nil as "(null)"), the printf conversions d i u x X o c s p f e g with
// flags, width, precision and the length modifiers h hh l ll q z j t, and %%. A missing argument
// counts as nil or zero; a stray '%' is copied as it stands.
std::string VLStringWithFormatArguments(std::string_view format, std::span<const VLFormatArgument> arguments);

template <typename... Arguments>
std::string VLStringWithFormat(std::string_view format, const Arguments&... arguments) {
    if constexpr (sizeof...(Arguments) == 0) {
        return VLStringWithFormatArguments(format, {});
    } else {
        const VLFormatArgument list[] = {VLFormatArgument(arguments)...};
        return VLStringWithFormatArguments(format, list);
    }
}
