#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassList.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Tests/Core/Engine/Binding/VLJSBindingTestFixture.h"
#include "Tests/Core/Engine/Binding/VLJSTestBindings.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <span>
#include <sstream>
#include <string>

namespace {

// Each member answers what it received, as text, and counts its runs.
class VLTypedJSBinding final : public VLJSBinding<VLTypedJSBinding> {
public:
    static inline int runs = 0;

    template <typename... Values>
    JSValueRef answer(JSContextRef ctx, const Values&... values) {
        ++runs;
        std::ostringstream text;
        ((text << values << ' '), ...);
        std::string result = text.str();
        result.pop_back();
        return VLJSValueFromNSString(ctx, result);
    }

    JSValueRef numbers(JSContextRef ctx, double d, float f, int32_t i, uint32_t u) {
        return answer(ctx, d, f, i, u);
    }
    JSValueRef integers(JSContextRef ctx, int64_t wide, uint64_t unsignedWide, int16_t narrow,
                        uint8_t glBoolean) {
        return answer(ctx, wide, unsignedWide, narrow, unsigned(glBoolean));
    }
    JSValueRef flag(JSContextRef ctx, bool value) { return answer(ctx, value ? "true" : "false"); }
    JSValueRef texts(JSContextRef ctx, std::string text, JSObjectRef object, JSValueRef raw) {
        return answer(ctx, "[" + text + "]", object ? "object" : "none", raw ? "given" : "absent");
    }
    JSValueRef arrays(JSContextRef ctx, std::span<float> floats, std::span<const std::byte> bytes) {
        const double first = floats.empty() ? -1 : floats[0];
        return answer(ctx, floats.size(), first, bytes.size(), bytes.empty() ? -1 : int(bytes[0]));
    }
    JSValueRef probe(JSContextRef ctx, VLProbeJSBinding* probe) {
        return answer(ctx, probe ? probe->kind() : "none");
    }
    JSValueRef optionals(JSContextRef ctx, double x, std::optional<float> y, std::optional<std::string> z) {
        return answer(ctx, x, y ? std::to_string(*y) : "-", z ? "[" + *z + "]" : "-");
    }
    JSValueRef orNull(JSContextRef ctx, double x) { return answer(ctx, x); }
    JSValueRef checked(JSContextRef ctx, double x, JSValueRef* exception) {
        if (x > 1)
            VLJSThrowException(ctx, exception, "RangeError: checked takes at most 1");
        return answer(ctx, x);
    }
    void nothing(JSContextRef) { ++runs; }
    JSValueRef level(JSContextRef ctx) { return JSValueMakeNumber(ctx, _level); }
    void setLevel(JSContextRef, float level) { _level = level; }

    static void describe(VLJSClassBuilder<VLTypedJSBinding>& b) {
        b.method<"numbers", &VLTypedJSBinding::numbers>();
        b.method<"integers", &VLTypedJSBinding::integers>();
        b.method<"flag", &VLTypedJSBinding::flag>();
        b.method<"texts", &VLTypedJSBinding::texts, VLJSMinimum(0)>();
        b.method<"arrays", &VLTypedJSBinding::arrays>();
        b.method<"probe", &VLTypedJSBinding::probe>();
        b.method<"optionals", &VLTypedJSBinding::optionals>();
        b.method<"orNull", &VLTypedJSBinding::orNull, VLJSMinimum(1, VLJSShortCall::null)>();
        b.method<"checked", &VLTypedJSBinding::checked>();
        b.method<"nothing", &VLTypedJSBinding::nothing>();
        b.property<"level", &VLTypedJSBinding::level, &VLTypedJSBinding::setLevel>();
    }

private:
    float _level = 0;
};

// A regular surface written once, as a WebGL-like pair of classes: the second inherits the first's
// list, overrides one function and one constant, and adds its own.
#define VL_LISTED_METHODS(METHOD)                                                                            \
    METHOD(add, VLJSMinimum(2), (double a, double b))                                                        \
    METHOD(clears, VLJSMinimum(1), (uint32_t mask))                                                          \
    METHOD(version, VLJSMinimum(0), ())
#define VL_LISTED_CONSTANTS(CONSTANT)                                                                        \
    CONSTANT(DEPTH_BUFFER_BIT, 0x0100)                                                                       \
    CONSTANT(STENCIL_BUFFER_BIT, 0x0400)                                                                     \
    CONSTANT(COLOR_BUFFER_BIT, 0x4000)                                                                       \
    CONSTANT(STENCIL_INDEX8, 0x84F9)
#define VL_LISTED2_METHODS(METHOD)                                                                           \
    METHOD(version, VLJSMinimum(0), ())                                                                      \
    METHOD(scale, VLJSMinimum(1), (float factor))
#define VL_LISTED2_CONSTANTS(CONSTANT)                                                                       \
    CONSTANT(STENCIL_INDEX8, 0x8D48)                                                                         \
    CONSTANT(READ_BUFFER, 0x0C02)

class VLListedJSBinding : public VLJSBinding<VLListedJSBinding> {
public:
    VL_LISTED_METHODS(VL_JS_DECLARE_METHOD)
    VL_LISTED_CONSTANTS(VL_JS_DECLARE_CONSTANT)

    static void describe(VLJSClassBuilder<VLListedJSBinding>& b) {
        VL_LISTED_METHODS(VL_JS_DESCRIBE_METHOD)
        b.constants({VL_LISTED_CONSTANTS(VL_JS_CONSTANT_ENTRY)});
        b.constant("0", 0);
    }
};

JSValueRef VLListedJSBinding::add(JSContextRef ctx, double a, double b) {
    return JSValueMakeNumber(ctx, a + b);
}
JSValueRef VLListedJSBinding::clears(JSContextRef ctx, uint32_t mask) {
    return JSValueMakeBoolean(ctx, (mask & (DEPTH_BUFFER_BIT | COLOR_BUFFER_BIT)) != 0);
}
JSValueRef VLListedJSBinding::version(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, 1);
}

class VLListed2JSBinding final : public VLJSBinding<VLListed2JSBinding, VLListedJSBinding> {
public:
    VL_LISTED2_METHODS(VL_JS_DECLARE_METHOD)
    VL_LISTED2_CONSTANTS(VL_JS_DECLARE_CONSTANT)

    static void describe(VLJSClassBuilder<VLListed2JSBinding>& b) {
        VL_LISTED2_METHODS(VL_JS_DESCRIBE_METHOD)
        b.constants({VL_LISTED2_CONSTANTS(VL_JS_CONSTANT_ENTRY)});
    }
};

JSValueRef VLListed2JSBinding::version(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, 2);
}
JSValueRef VLListed2JSBinding::scale(JSContextRef ctx, float factor) {
    return JSValueMakeNumber(ctx, factor * STENCIL_INDEX8);
}

class VLJSTypedMethodTest : public VLJSBindingFixture {
protected:
    void SetUp() override {
        VLTypedJSBinding::runs = 0;
        VLJSBindingFixture::SetUp();
        bindingContext->classes = {
            {"Typed", &VLJSClassLoader::loadNativeClass<VLTypedJSBinding>()},
            {"Probe", &VLJSClassLoader::loadNativeClass<VLProbeJSBinding>()},
            {"Special", &VLJSClassLoader::loadNativeClass<VLDerivedProbeJSBinding>()},
            {"Other", &VLJSClassLoader::loadNativeClass<VLOtherJSBinding>()},
            {"Listed", &VLJSClassLoader::loadNativeClass<VLListedJSBinding>()},
            {"Listed2", &VLJSClassLoader::loadNativeClass<VLListed2JSBinding>()},
        };
        bind();
        evaluate("var t = new VeltoTest.Typed();");
    }
};

} // namespace

TEST_F(VLJSTypedMethodTest, NumbersAreReadWithoutConversionAndNarrowedByKind) {
    expectResults({
        {"t.numbers(2.75, 0.1, 2.9, 7)", "2.75 0.1 2 7"},
        {"t.numbers(-2.5, 1e300, -2.9, -1)", "-2.5 inf -2 4294967295"},
        {"t.numbers(NaN, -1e300, 4294967298, 4294967296)", "nan -inf 2 0"},
        {"t.numbers(true, false, '5', null)", "1 0 0 0"},
        {"t.numbers(undefined, {valueOf() { throw 1 }}, [3], Symbol())", "0 0 0 0"},
        {"t.integers(-1e20, 2 ** 63 + 2 ** 12, 65537, 256)", "-9223372036854775808 9223372036854779904 1 0"},
        {"t.integers(2 ** 63, -1, -32769, 1)", "9223372036854775807 18446744073709551615 32767 1"},
        {"t.integers(1e30, 2 ** 64, 0.5, 0.5)", "9223372036854775807 18446744073709551615 0 0"},
        {"[t.flag(0), t.flag('x'), t.flag({}), t.flag(''), t.flag(null)].join()",
         "false,true,true,false,false"},
        {"t.level = '3'; t.level", "0"},
        {"t.level = 1e300; t.level", "Infinity"},
        {"t.level = 0.1; t.level === Math.fround(0.1)", "true"},
    });
}

TEST_F(VLJSTypedMethodTest, ObjectsTextsAndViewsOfTheirKindOnly) {
    expectResults({
        {"t.texts('abc', {}, 1)", "[abc] object given"},
        {"t.texts(5, 'no', null)", "[] none given"},
        {"t.texts()", "[] none absent"},
        {"t.arrays(new Float32Array([1.5, 2]), new Uint8Array([9, 8, 7]).subarray(1))", "2 1.5 2 8"},
        {"t.arrays(new Float64Array(2), new ArrayBuffer(4))", "0 -1 4 0"},
        {"t.arrays([1, 2], new DataView(new ArrayBuffer(3)))", "0 -1 0 -1"},
        {"t.arrays({length: 1, 0: 1}, 'bytes')", "0 -1 0 -1"},
        {"t.probe(new VeltoTest.Probe())", "probe"},
        {"t.probe(new VeltoTest.Special())", "derived"},
        {"t.probe(new VeltoTest.Other())", "none"},
        {"t.probe(t)", "none"},
        {"t.probe({})", "none"},
    });
}

TEST_F(VLJSTypedMethodTest, ShortCallsReturnAtOnceAndOptionalArgumentsMayBeLeftOut) {
    expectResults({
        {"t.numbers(1, 2, 3)", "undefined"},
        {"t.integers()", "undefined"},
        {"t.orNull()", "null"},
        {"t.orNull(4)", "4"},
        {"t.optionals()", "undefined"},
        {"t.optionals(1)", "1 - -"},
        {"t.optionals(1, 'x')", "1 0.000000 -"},
        {"t.optionals(1, 2.5, 3, 'extra')", "1 2.500000 []"},
        {"t.nothing(1, 2)", "undefined"},
    });
    EXPECT_EQ(5, VLTypedJSBinding::runs) << "short calls do not run the method";
}

TEST_F(VLJSTypedMethodTest, OnlyAMethodThatTakesTheExceptionThrows) {
    expectResults({
        {"t.checked(1)", "1"},
        {"t.checked(2)", "threw RangeError: checked takes at most 1"},
        {"t.numbers.call({}, 1, 2, 3, 4)", "threw TypeError: Illegal invocation"},
        {"t.numbers.call(new VeltoTest.Probe(), 1, 2, 3, 4)", "threw TypeError: Illegal invocation"},
    });
}

TEST_F(VLJSTypedMethodTest, AListDeclaredOnceServesFunctionsAndConstants) {
    evaluate("var l = new VeltoTest.Listed(), l2 = new VeltoTest.Listed2();");
    expectResults({
        {"Object.getOwnPropertyNames(Object.getPrototypeOf(l)).sort().join()", "add,clears,version"},
        {"[l.add(1, 2), l.add(1), l.clears(l.STENCIL_BUFFER_BIT), l.clears(l.COLOR_BUFFER_BIT)].join()",
         "3,,false,true"},
        {"[l.DEPTH_BUFFER_BIT, l.STENCIL_BUFFER_BIT, l.COLOR_BUFFER_BIT, l.STENCIL_INDEX8, l[0]].join()",
         "256,1024,16384,34041,0"},
        {"Object.keys(l).join()", "0,DEPTH_BUFFER_BIT,STENCIL_BUFFER_BIT,COLOR_BUFFER_BIT,STENCIL_INDEX8"},
        {"[l2.add(2, 3), l2.clears(256), l2.version(), l.version(), l2.scale(2)].join()", "5,true,2,1,72336"},
        {"[l2.STENCIL_INDEX8, l2.READ_BUFFER, l2.DEPTH_BUFFER_BIT].join()", "36168,3074,256"},
        {"Object.keys(l2).join()",
         "0,STENCIL_INDEX8,READ_BUFFER,DEPTH_BUFFER_BIT,STENCIL_BUFFER_BIT,COLOR_BUFFER_BIT"},
        {"l.add.call(l2, 4, 5) + ' ' + l.version.call(l2)", "9 2"},
        {"l2.scale.call(l, 1)", "threw TypeError: Illegal invocation"},
    });
}
