#pragma once

#include "Core/Engine/Binding/VLJSCallRule.h"

#include <JavaScriptCore/JavaScript.h>

#include <type_traits>

// Long, regular surfaces (WebGL's functions and constants, Canvas's methods) are written once, as list
// macros that apply a given macro to every entry; the class declares its members from the lists and its
// describe() registers them from the same lists, so the two cannot drift apart:
//
//   #define VL_GAUGE_METHODS(METHOD) METHOD(reset, VLJSMinimum(0), ()) <line continuation>
//       METHOD(moveTo, VLJSMinimum(2), (float x, float y, std::optional<float> z))
//   #define VL_GAUGE_CONSTANTS(CONSTANT) CONSTANT(MAX_LEVEL, 100) CONSTANT(MIN_LEVEL, 0)
//
//   class VLGaugeJSBinding final : public VLJSBinding<VLGaugeJSBinding> {
//   public:
//       VL_GAUGE_METHODS(VL_JS_DECLARE_METHOD)     // JSValueRef moveTo(JSContextRef ctx, float x, ...);
//       VL_GAUGE_CONSTANTS(VL_JS_DECLARE_CONSTANT) // static constexpr auto MAX_LEVEL = 100;
//       static void describe(VLJSClassBuilder<VLGaugeJSBinding>& b) {
//           VL_GAUGE_METHODS(VL_JS_DESCRIBE_METHOD)                  // b.method<"moveTo", ...>();
//           b.constants({VL_GAUGE_CONSTANTS(VL_JS_CONSTANT_ENTRY)});
//       }
//   };
//
// A method entry is (name, VLJSCallRule, (parameters after the context)); the parameters are those of a
// typed method (VLJSClassBuilder::method). VL_JS_DESCRIBE_METHOD expects the builder to be named `b`.
// Constants whose names are no C++ names ("0") are registered with b.constant() beside the list.

#define VL_JS_METHOD_PARAMETERS(...) JSContextRef ctx __VA_OPT__(, ) __VA_ARGS__
#define VL_JS_DECLARE_METHOD(name, rule, parameters) JSValueRef name(VL_JS_METHOD_PARAMETERS parameters);
#define VL_JS_DESCRIBE_METHOD(name, rule, parameters)                                                        \
    b.method<#name, &std::remove_reference_t<decltype(b)>::Class::name, rule>();

#define VL_JS_DECLARE_CONSTANT(name, value) [[maybe_unused]] static constexpr auto name = value;
#define VL_JS_CONSTANT_ENTRY(name, value) {#name, double(value)},
