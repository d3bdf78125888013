#include "Modules/Canvas/Context2D/VLCanvas2DPathCall.h"

#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Tests/Modules/Canvas/Context2D/VLRecordingPathBuilder.h"
#include "Tests/Support/VLJSTestContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

// The elements of the script array `[list]`, as a call's arguments.
std::vector<JSValueRef> pathCallArguments(VLJSTestContext& js, const std::string& list) {
    JSObjectRef array = JSValueToObject(js, js.evaluate("[" + list + "]"), nullptr);
    const double length = VLJSValueToNumberFast(js, VLGetJSObjectProperty(js, array, "length"));
    std::vector<JSValueRef> arguments;
    for (unsigned i = 0; i < unsigned(length); ++i)
        arguments.push_back(JSObjectGetPropertyAtIndex(js, array, i, nullptr));
    return arguments;
}

// "Name: message" of a thrown error, empty when nothing was thrown.
std::string pathCallThrown(VLJSTestContext& js, JSValueRef exception) {
    if (!exception)
        return "";
    JSObjectRef error = JSValueToObject(js, exception, nullptr);
    return VLJSValueToNSString(js, VLGetJSObjectProperty(js, error, "name")).value_or("?") + ": " +
           VLJSValueToNSString(js, VLGetJSObjectProperty(js, error, "message")).value_or("?");
}

} // namespace

TEST(VLCanvas2DPathCallTests, ArgumentsAreCheckedBeforeTheBuilderIsCalled) {
    enum { moveTo, lineTo, rect, bezierCurveTo, quadraticCurveTo, arcTo, arc, ellipse, roundRect, closePath };
    const struct {
        int call;
        const char* arguments;
        VLRecordingPathBuilder::Calls calls;
        const char* thrown = "";
    } cases[] = {
        // Fast number reading, narrowed to float; anything not finite as a float is a quiet no-op.
        {moveTo, "1.5, -2", {"moveTo(1.5,-2)"}},
        {moveTo, "'5', true", {"moveTo(0,1)"}},
        {moveTo, "null, {valueOf() { throw 1 }}", {"moveTo(0,0)"}},
        {moveTo, "1", {}},
        {moveTo, "NaN, 1", {}},
        {moveTo, "1, -Infinity", {}},
        {moveTo, "1e39, 1", {}},
        {lineTo, "1, 2, 3", {"lineTo(1,2)"}},
        {rect, "1, 2, 3", {}},
        {rect, "1, 2, 3, 4", {"rect(1,2,3,4)"}},
        {bezierCurveTo, "1, 2, 3, 4, 5", {}},
        {bezierCurveTo, "1, 2, 3, 4, 5, 6", {"bezierCurveTo(1,2,3,4,5,6)"}},
        {quadraticCurveTo, "1, 2, 3, 4", {"quadraticCurveTo(1,2,3,4)"}},
        {closePath, "", {"closePath()"}},
        {10, "1, 2", {}},
        // Radii: negative throws, not finite is quiet.
        {arcTo, "0, 0, 1, 1, 2", {"arcTo(0,0,1,1,2)"}},
        {arcTo, "0, 0, 1, 1, -1", {}, "IndexSizeError: arcTo radius must not be negative"},
        {arcTo, "0, 0, 1, 1, NaN", {}},
        {arc, "0, 0, -1, 0, 1", {}, "IndexSizeError: arc radius must not be negative"},
        {arc, "0, 0, -1, 0", {}},
        {arc, "0, 0, '-1', 0, 1", {"arc(0,0,0,0,1,0)"}},
        {ellipse, "0, 0, 1, -1, 0, 0, 1", {}, "IndexSizeError: ellipse radii must not be negative"},
        {ellipse, "0, 0, -1, 1, 0, 0, 1", {}, "IndexSizeError: ellipse radii must not be negative"},
        // The direction by truthiness, absent as false.
        {arc, "0, 0, 1, 0, 1", {"arc(0,0,1,0,1,0)"}},
        {arc, "0, 0, 1, 0, 1, 'x'", {"arc(0,0,1,0,1,1)"}},
        {arc, "0, 0, 1, 0, 1, 0", {"arc(0,0,1,0,1,0)"}},
        {arc, "0, 0, 1, 0, 1, {}", {"arc(0,0,1,0,1,1)"}},
        {ellipse, "0, 0, 1, 2, 0, 0, 1, true", {"ellipse(0,0,1,2,0,0,1,1)"}},
        // roundRect's radii: one value or a list of one to four, numbers or {x, y}.
        {roundRect, "0, 0, 10, 10", {"roundRect(0,0,10,10,0,0,0,0,0,0,0,0)"}},
        {roundRect, "0, 0, 10, 10, 2", {"roundRect(0,0,10,10,2,2,2,2,2,2,2,2)"}},
        {roundRect, "0, 0, 10, 10, {x: 1, y: 2}", {"roundRect(0,0,10,10,1,2,1,2,1,2,1,2)"}},
        {roundRect, "0, 0, 10, 10, [1]", {"roundRect(0,0,10,10,1,1,1,1,1,1,1,1)"}},
        {roundRect, "0, 0, 10, 10, [1, 2]", {"roundRect(0,0,10,10,1,1,2,2,1,1,2,2)"}},
        {roundRect, "0, 0, 10, 10, [1, 2, 3]", {"roundRect(0,0,10,10,1,1,2,2,3,3,2,2)"}},
        {roundRect, "0, 0, 10, 10, [1, 2, 3, {x: 4, y: 5}]", {"roundRect(0,0,10,10,1,1,2,2,3,3,4,5)"}},
        {roundRect, "0, 0, 10, 10, []", {}, "RangeError: roundRect takes 1 to 4 radii"},
        {roundRect, "0, 0, 10, 10, [1, 2, 3, 4, 5]", {}, "RangeError: roundRect takes 1 to 4 radii"},
        {roundRect, "0, 0, 10, 10, -1", {}, "RangeError: roundRect radii must not be negative"},
        {roundRect, "0, 0, 10, 10, {x: 1, y: -1}", {}, "RangeError: roundRect radii must not be negative"},
        {roundRect, "0, 0, 10, 10, [1, -1]", {}, "RangeError: roundRect radii must not be negative"},
        {roundRect, "0, 0, 10, 10, [1, NaN]", {}},
        {roundRect, "0, 0, 10, 10, {x: Infinity}", {}},
        {roundRect, "0, 0, NaN, 10, -1", {}},
    };
    VLJSTestContext js;
    for (const auto& c : cases) {
        std::vector<JSValueRef> arguments = pathCallArguments(js, c.arguments);
        VLRecordingPathBuilder builder;
        JSValueRef exception = nullptr;
        JSValueRef result =
            VLCanvas2DPathCall(builder, c.call, js, arguments.size(), arguments.data(), &exception);
        EXPECT_TRUE(JSValueIsUndefined(js, result));
        EXPECT_EQ(builder.calls, c.calls) << c.call << ": " << c.arguments;
        EXPECT_EQ(pathCallThrown(js, exception), c.thrown) << c.call << ": " << c.arguments;
    }
}

TEST(VLCanvas2DPathCallTests, MatrixObjectsGiveATransformOrThrow) {
    const struct {
        const char* value;
        VLAffineTransform transform;
        const char* thrown = "";
    } cases[] = {
        {"undefined", {}},
        {"null", {}},
        {"({})", {}},
        {"({a: 2, b: 3, c: 4, d: 5, e: 6, f: 7})", {2, 3, 4, 5, 6, 7}},
        {"({m11: 2, m12: 3, m21: 4, m22: 5, m41: 6, m42: 7})", {2, 3, 4, 5, 6, 7}},
        {"({a: 2, m11: 2, m42: 9, d: '4'})", {2, 0, 0, 0, 0, 9}},
        {"({b: 0, m12: 0})", {}},
        {"5", {}, "TypeError: setTransform takes a matrix { a, b, c, d, e, f }"},
        {"'matrix'", {}, "TypeError: setTransform takes a matrix { a, b, c, d, e, f }"},
        {"({a: 2, m11: 3})", {}, "TypeError: setTransform's matrix has a and m11, which differ"},
        {"({f: NaN, m42: 1})", {}, "TypeError: setTransform's matrix has f and m42, which differ"},
        {"({e: 1, m41: 1, f: 1, m42: 2})",
         {},
         "TypeError: setTransform's matrix has f and m42, which differ"},
    };
    VLJSTestContext js;
    for (const auto& c : cases) {
        VLAffineTransform transform(9, 9, 9, 9, 9, 9);
        JSValueRef exception = nullptr;
        const bool read =
            VLJSValueGetMatrix2D(js, js.evaluate(c.value), &transform, "setTransform", &exception);
        EXPECT_EQ(read, *c.thrown == '\0') << c.value;
        EXPECT_EQ(pathCallThrown(js, exception), c.thrown) << c.value;
        if (read) {
            EXPECT_EQ(transform, c.transform) << c.value;
        }
    }
    // Two NaNs do not differ, and the entry is NaN.
    VLAffineTransform transform;
    EXPECT_TRUE(
        VLJSValueGetMatrix2D(js, js.evaluate("({f: NaN, m42: NaN})"), &transform, "addPath", nullptr));
    EXPECT_TRUE(std::isnan(transform.ty));
    // No value at all is the identity too.
    EXPECT_TRUE(VLJSValueGetMatrix2D(js, nullptr, &transform, "addPath", nullptr));
    EXPECT_TRUE(transform.isIdentity());
}
