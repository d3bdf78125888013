#pragma once

#include "Core/Engine/Binding/VLJSArgument.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

// What a typed binding method takes: R name(JSContextRef ctx, P... parameters[, JSValueRef* exception]),
// R being JSValueRef (nullptr reads as undefined) or void. Each parameter reads one script argument in
// order, through VLJSArgument; the exception out-parameter, when the method takes one, lets it throw.
template <typename Member>
struct VLJSMethodSignature;

template <typename Owner, typename Result, typename... Parameters>
struct VLJSMethodSignatureOf {
    // The class that declares the method (const for a const method).
    using Class = Owner;

    static_assert(std::is_same_v<Result, JSValueRef> || std::is_void_v<Result>,
                  "a typed binding method returns JSValueRef or nothing");

    static constexpr size_t parameterCount = sizeof...(Parameters);
    static constexpr bool takesException = [] {
        if constexpr (parameterCount == 0)
            return false;
        else
            return std::is_same_v<std::tuple_element_t<parameterCount - 1, std::tuple<Parameters...>>,
                                  JSValueRef*>;
    }();
    // The parameters that read script arguments.
    static constexpr size_t argumentCount = parameterCount - takesException;

    template <size_t Index>
    using Argument = std::tuple_element_t<Index, std::tuple<Parameters...>>;

    // The arguments before the first optional one; optional ones come last.
    static constexpr size_t requiredCount = [] {
        return []<size_t... Index>(std::index_sequence<Index...>) {
            constexpr bool optional[] = {VLJSIsOptionalArgument<Argument<Index>>..., false};
            size_t required = 0;
            while (required < argumentCount && !optional[required])
                ++required;
            for (size_t index = required; index < argumentCount; ++index) {
                if (!optional[index])
                    return ~size_t(0);
            }
            return required;
        }
        (std::make_index_sequence<argumentCount>());
    }();
    static_assert(requiredCount != ~size_t(0), "optional parameters of a binding method come last");

    // Converts the arguments and calls the method; the result as the trampoline returns it.
    template <auto Method>
    static JSValueRef call(Class* self, JSContextRef ctx, size_t argc, const JSValueRef argv[],
                           JSValueRef* exception) {
        return callWith<Method>(self, ctx, argc, argv, exception, std::make_index_sequence<argumentCount>());
    }

private:
    template <auto Method, size_t... Index>
    static JSValueRef callWith(Class* self, JSContextRef ctx, size_t argc, const JSValueRef argv[],
                               JSValueRef* exception, std::index_sequence<Index...>) {
        auto invoke = [&]() -> decltype(auto) {
            if constexpr (takesException)
                return (self->*Method)(ctx, VLJSArgumentAt<Argument<Index>>(ctx, Index, argc, argv)...,
                                       exception);
            else
                return (self->*Method)(ctx, VLJSArgumentAt<Argument<Index>>(ctx, Index, argc, argv)...);
        };
        if constexpr (std::is_void_v<Result>) {
            invoke();
            return nullptr;
        } else {
            return invoke();
        }
    }
};

template <typename Class, typename Result, typename... Parameters>
struct VLJSMethodSignature<Result (Class::*)(JSContextRef, Parameters...)>
    : VLJSMethodSignatureOf<Class, Result, Parameters...> {};

template <typename Class, typename Result, typename... Parameters>
struct VLJSMethodSignature<Result (Class::*)(JSContextRef, Parameters...) const>
    : VLJSMethodSignatureOf<const Class, Result, Parameters...> {};
