#include "Modules/Canvas/Context2D/VLCanvas2DPathCall.h"

#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <array>
#include <cmath>
#include <optional>

namespace {

enum VLCanvas2DPathCallIndex {
    kPathCallMoveTo,
    kPathCallLineTo,
    kPathCallRect,
    kPathCallBezierCurveTo,
    kPathCallQuadraticCurveTo,
    kPathCallArcTo,
    kPathCallArc,
    kPathCallEllipse,
    kPathCallRoundRect,
    kPathCallClosePath,
};

// The arguments each call needs, which are also the numbers it reads.
constexpr std::array<size_t, 10> kPathCallArgumentCounts = {2, 2, 4, 6, 4, 5, 5, 7, 4, 0};

// The binding core's number reading, narrowed to float; nothing when that is not finite.
std::optional<float> pathCallFloat(JSContextRef ctx, JSValueRef value) {
    const float number = float(VLJSValueToNumberFast(ctx, value));
    if (!std::isfinite(number))
        return std::nullopt;
    return number;
}

// The property's value, undefined when reading it fails; the exception is kept when asked for.
JSValueRef pathCallProperty(JSContextRef ctx, JSObjectRef object, const char* name, JSValueRef* exception) {
    VLJSString propertyName(name);
    JSValueRef thrown = nullptr;
    JSValueRef value = JSObjectGetProperty(ctx, object, propertyName.get(), &thrown);
    if (thrown) {
        if (exception)
            *exception = thrown;
        return JSValueMakeUndefined(ctx);
    }
    return value ? value : JSValueMakeUndefined(ctx);
}

// The four corner radii of roundRect from its fifth argument (absent reads as 0); false ends the call,
// with an exception when the radii are refused rather than unusable.
bool roundRectRadii(JSContextRef ctx, JSValueRef value, VLVector2 radii[4], JSValueRef* exception) {
    VLVector2 read[4];
    size_t count = 1;
    bool negative = false;
    if (value && JSValueIsArray(ctx, value)) {
        JSObjectRef list = JSValueToObject(ctx, value, nullptr);
        const double length = VLJSValueToNumberFast(ctx, pathCallProperty(ctx, list, "length", nullptr));
        if (!(length >= 1 && length <= 4)) {
            VLJSThrowException(ctx, exception, "RangeError: roundRect takes 1 to 4 radii");
            return false;
        }
        count = size_t(length);
        for (size_t i = 0; i < count; ++i) {
            JSValueRef thrown = nullptr;
            JSValueRef element = JSObjectGetPropertyAtIndex(ctx, list, unsigned(i), &thrown);
            if (thrown) {
                if (exception)
                    *exception = thrown;
                return false;
            }
            bool elementNegative = false;
            if (!VLJSValueGetCornerRadius(ctx, element, &read[i], &elementNegative))
                return false;
            negative = negative || elementNegative;
        }
    } else if (!VLJSValueGetCornerRadius(ctx, value ? value : JSValueMakeUndefined(ctx), &read[0],
                                         &negative)) {
        return false;
    }
    if (negative) {
        VLJSThrowException(ctx, exception, "RangeError: roundRect radii must not be negative");
        return false;
    }
    // Upper-left, upper-right, lower-right, lower-left; missing corners repeat their diagonal partner.
    static constexpr size_t kCornerSource[5][4] = {
        {}, {0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
    for (size_t corner = 0; corner < 4; ++corner)
        radii[corner] = read[kCornerSource[count][corner]];
    return true;
}

// The radius check of arcTo, arc and ellipse; true when the call may go on.
bool pathCallRadiiAllowed(JSContextRef ctx, int callIndex, const float* args, JSValueRef* exception) {
    const char* refusal = nullptr;
    if (callIndex == kPathCallArcTo && args[4] < 0)
        refusal = "IndexSizeError: arcTo radius must not be negative";
    else if (callIndex == kPathCallArc && args[2] < 0)
        refusal = "IndexSizeError: arc radius must not be negative";
    else if (callIndex == kPathCallEllipse && (args[2] < 0 || args[3] < 0))
        refusal = "IndexSizeError: ellipse radii must not be negative";
    if (!refusal)
        return true;
    VLJSThrowException(ctx, exception, refusal);
    return false;
}

} // namespace

JSValueRef VLCanvas2DPathCall(VLCanvas2DPathReplaying& builder, int callIndex, JSContextRef ctx, size_t argc,
                              const JSValueRef argv[], JSValueRef* exception) {
    JSValueRef undefined = JSValueMakeUndefined(ctx);
    if (callIndex < 0 || size_t(callIndex) >= kPathCallArgumentCounts.size())
        return undefined;
    const size_t needed = kPathCallArgumentCounts[size_t(callIndex)];
    if (argc < needed)
        return undefined;
    float a[8] = {};
    for (size_t i = 0; i < needed; ++i) {
        const std::optional<float> number = pathCallFloat(ctx, argv[i]);
        if (!number)
            return undefined;
        a[i] = *number;
    }
    if (!pathCallRadiiAllowed(ctx, callIndex, a, exception))
        return undefined;
    // arc and ellipse take their direction by truthiness, right after their numbers.
    const bool antiClockwise = argc > needed && JSValueToBoolean(ctx, argv[needed]);
    switch (callIndex) {
    case kPathCallMoveTo:
        builder.moveToX(a[0], a[1]);
        break;
    case kPathCallLineTo:
        builder.lineToX(a[0], a[1]);
        break;
    case kPathCallRect:
        builder.rectX(a[0], a[1], a[2], a[3]);
        break;
    case kPathCallBezierCurveTo:
        builder.bezierCurveToCpx1(a[0], a[1], a[2], a[3], a[4], a[5]);
        break;
    case kPathCallQuadraticCurveTo:
        builder.quadraticCurveToCpx(a[0], a[1], a[2], a[3]);
        break;
    case kPathCallArcTo:
        builder.arcToX1(a[0], a[1], a[2], a[3], a[4]);
        break;
    case kPathCallArc:
        builder.arcX(a[0], a[1], a[2], a[3], a[4], antiClockwise);
        break;
    case kPathCallEllipse:
        builder.ellipseX(a[0], a[1], a[2], a[3], a[4], a[5], a[6], antiClockwise);
        break;
    case kPathCallRoundRect: {
        VLVector2 radii[4];
        if (roundRectRadii(ctx, argc > 4 ? argv[4] : nullptr, radii, exception))
            builder.roundRectX(a[0], a[1], a[2], a[3], radii);
        break;
    }
    case kPathCallClosePath:
        builder.closePath();
        break;
    }
    return undefined;
}

bool VLJSValueGetMatrix2D(JSContextRef ctx, JSValueRef value, VLAffineTransform* transform,
                          std::string_view functionName, JSValueRef* exception) {
    *transform = VLAffineTransform::identity();
    if (!value || JSValueIsUndefined(ctx, value) || JSValueIsNull(ctx, value))
        return true;
    if (!JSValueIsObject(ctx, value)) {
        VLJSThrowException(
            ctx, exception,
            VLStringWithFormat("TypeError: %s takes a matrix { a, b, c, d, e, f }", functionName));
        return false;
    }
    JSObjectRef matrix = JSValueToObject(ctx, value, nullptr);
    struct Entry {
        const char* letter;
        const char* name;
        double VLAffineTransform::*field;
    };
    static constexpr Entry kEntries[] = {
        {"a", "m11", &VLAffineTransform::a},  {"b", "m12", &VLAffineTransform::b},
        {"c", "m21", &VLAffineTransform::c},  {"d", "m22", &VLAffineTransform::d},
        {"e", "m41", &VLAffineTransform::tx}, {"f", "m42", &VLAffineTransform::ty},
    };
    for (const Entry& entry : kEntries) {
        JSValueRef thrown = nullptr;
        JSValueRef letter = pathCallProperty(ctx, matrix, entry.letter, &thrown);
        JSValueRef name = thrown ? nullptr : pathCallProperty(ctx, matrix, entry.name, &thrown);
        if (thrown) {
            if (exception)
                *exception = thrown;
            return false;
        }
        const bool hasLetter = !JSValueIsUndefined(ctx, letter);
        const bool hasName = !JSValueIsUndefined(ctx, name);
        const double letterValue = VLJSValueToNumberFast(ctx, letter);
        const double nameValue = VLJSValueToNumberFast(ctx, name);
        if (hasLetter && hasName && letterValue != nameValue &&
            !(std::isnan(letterValue) && std::isnan(nameValue))) {
            VLJSThrowException(ctx, exception,
                               VLStringWithFormat("TypeError: %s's matrix has %s and %s, which differ",
                                                  functionName, entry.letter, entry.name));
            return false;
        }
        if (hasLetter || hasName)
            transform->*entry.field = hasLetter ? letterValue : nameValue;
    }
    return true;
}

bool VLJSValueGetCornerRadius(JSContextRef ctx, JSValueRef value, VLVector2* radius, bool* negative) {
    std::optional<float> x;
    std::optional<float> y;
    if (JSValueIsObject(ctx, value)) {
        JSObjectRef object = JSValueToObject(ctx, value, nullptr);
        x = pathCallFloat(ctx, pathCallProperty(ctx, object, "x", nullptr));
        y = pathCallFloat(ctx, pathCallProperty(ctx, object, "y", nullptr));
    } else {
        x = y = pathCallFloat(ctx, value);
    }
    if (!x || !y)
        return false;
    *radius = VLVector2(*x, *y);
    *negative = *x < 0 || *y < 0;
    return true;
}
