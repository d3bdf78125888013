#pragma once

#include "Core/Engine/Binding/VLJSBindingBase.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <JavaScriptCore/JavaScript.h>

#include <cmath>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <type_traits>

// The one family of argument converters of typed binding methods (VLJSClassBuilder::method): how a
// script argument becomes a parameter of a given C++ type. Conversions follow the engine's rules, not
// the web's: numbers are read as VLJSValueToNumberFast reads them (a number as it is, true as 1, any
// other value 0), never converted by script code, and no conversion throws. A value of the wrong type
// gives the type's empty value. An argument that was not given reads as undefined would.
//
//   double          the number as read
//   float           narrowed to single precision; beyond its range, infinite
//   integers        truncated toward zero to 64 bits (NaN 0, saturated), then their low bits: -1 as
//                   uint32_t is 0xFFFFFFFF, 4294967296 is 0 (the GL rule for GLenum and GLint);
//                   uint64_t keeps values from 2^63 up to 2^64
//   bool            the script's truthiness
//   JSValueRef      the value untouched; nullptr when not given
//   JSObjectRef     the value when it is an object, else nullptr
//   std::string     the text of a string value, empty for any other value
//   VLFooJSBinding* the instance behind an object of that class or a subclass, else nullptr
//   std::span<E>    the elements of a typed array of E (uint8_t: Uint8Array and Uint8ClampedArray),
//                   std::span<std::byte> the bytes of any typed array or ArrayBuffer (JavaScriptCore's
//                   interface offers no DataView); else empty
//   std::optional<P> an optional trailing argument: nothing when not given, else as P
//
// Every function is called on the context's JavaScript thread.
template <typename T>
struct VLJSArgument; // no converter: the parameter type is not one of the family

// Truncated toward zero; NaN gives 0 and values beyond the range of int64_t saturate.
inline int64_t VLJSNumberToInt64(double number) {
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (std::isnan(number))
        return 0;
    if (number >= limit)
        return std::numeric_limits<int64_t>::max();
    if (number < -limit)
        return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(number);
}

template <>
struct VLJSArgument<double> {
    static double read(JSContextRef ctx, JSValueRef value) { return VLJSValueToNumberFast(ctx, value); }
};

template <>
struct VLJSArgument<float> {
    static float read(JSContextRef ctx, JSValueRef value) {
        const double number = VLJSValueToNumberFast(ctx, value);
        if (number > std::numeric_limits<float>::max())
            return std::numeric_limits<float>::infinity();
        if (number < -std::numeric_limits<float>::max())
            return -std::numeric_limits<float>::infinity();
        return static_cast<float>(number);
    }
};

template <std::integral T>
requires(!std::same_as<T, bool>) struct VLJSArgument<T> {
    static T read(JSContextRef ctx, JSValueRef value) {
        const double number = VLJSValueToNumberFast(ctx, value);
        if constexpr (std::same_as<T, uint64_t>) {
            constexpr double low = 9223372036854775808.0, high = 18446744073709551616.0; // 2^63, 2^64
            if (number >= low)
                return number < high ? static_cast<uint64_t>(number) : std::numeric_limits<uint64_t>::max();
        }
        // The low bits: conversions to narrower integers are modular.
        return static_cast<T>(VLJSNumberToInt64(number));
    }
};

template <>
struct VLJSArgument<bool> {
    static bool read(JSContextRef ctx, JSValueRef value) { return value && JSValueToBoolean(ctx, value); }
};

template <>
struct VLJSArgument<JSValueRef> {
    static JSValueRef read(JSContextRef, JSValueRef value) { return value; }
};

template <>
struct VLJSArgument<JSObjectRef> {
    static JSObjectRef read(JSContextRef ctx, JSValueRef value) {
        return value && JSValueIsObject(ctx, value) ? const_cast<JSObjectRef>(value) : nullptr;
    }
};

template <>
struct VLJSArgument<std::string> {
    static std::string read(JSContextRef ctx, JSValueRef value) {
        return VLJSValueToNSString(ctx, value).value_or(std::string());
    }
};

template <typename Binding>
requires std::derived_from<Binding, VLJSBindingBase>
struct VLJSArgument<Binding*> {
    static Binding* read(JSContextRef ctx, JSValueRef value) {
        // Before the class is loaded no object of it exists.
        const VLJSClassInfo* wanted = VLJSClassInfoOf<Binding>.load(std::memory_order_acquire);
        VLJSBindingBase* instance = wanted ? VLJSBindingGetObject(ctx, value) : nullptr;
        return instance && instance->classInfo().isKindOf(*wanted) ? static_cast<Binding*>(instance)
                                                                   : nullptr;
    }
};

template <typename Element>
struct VLJSArgument<std::span<Element>> {
    static std::span<Element> read(JSContextRef ctx, JSValueRef value) {
        if (!value || !accepts(JSValueGetTypedArrayType(ctx, value, nullptr)))
            return {};
        size_t byteLength = 0;
        void* bytes = VLJSValueGetTypedArrayPtr(ctx, value, &byteLength);
        if (!bytes)
            return {};
        return {static_cast<Element*>(bytes), byteLength / sizeof(Element)};
    }

private:
    using Plain = std::remove_const_t<Element>;

    static constexpr bool accepts(JSTypedArrayType type) {
        if constexpr (std::same_as<Plain, std::byte>)
            return type != kJSTypedArrayTypeNone;
        else if constexpr (std::same_as<Plain, uint8_t>)
            return type == kJSTypedArrayTypeUint8Array || type == kJSTypedArrayTypeUint8ClampedArray;
        else
            return type == kind();
    }
    static constexpr JSTypedArrayType kind() {
        if constexpr (std::same_as<Plain, int8_t>)
            return kJSTypedArrayTypeInt8Array;
        else if constexpr (std::same_as<Plain, int16_t>)
            return kJSTypedArrayTypeInt16Array;
        else if constexpr (std::same_as<Plain, uint16_t>)
            return kJSTypedArrayTypeUint16Array;
        else if constexpr (std::same_as<Plain, int32_t>)
            return kJSTypedArrayTypeInt32Array;
        else if constexpr (std::same_as<Plain, uint32_t>)
            return kJSTypedArrayTypeUint32Array;
        else if constexpr (std::same_as<Plain, float>)
            return kJSTypedArrayTypeFloat32Array;
        else if constexpr (std::same_as<Plain, double>)
            return kJSTypedArrayTypeFloat64Array;
        else
            static_assert(std::same_as<Plain, double>, "no typed array holds elements of this type");
    }
};

// Whether a parameter type is an optional trailing argument.
template <typename T>
inline constexpr bool VLJSIsOptionalArgument = false;
template <typename T>
inline constexpr bool VLJSIsOptionalArgument<std::optional<T>> = true;

// Script argument `index` of the call as a parameter of type T.
template <typename T>
T VLJSArgumentAt(JSContextRef ctx, size_t index, size_t argc, const JSValueRef argv[]) {
    if constexpr (VLJSIsOptionalArgument<T>) {
        if (index >= argc)
            return std::nullopt;
        return VLJSArgument<typename T::value_type>::read(ctx, argv[index]);
    } else {
        return VLJSArgument<T>::read(ctx, index < argc ? argv[index] : nullptr);
    }
}
