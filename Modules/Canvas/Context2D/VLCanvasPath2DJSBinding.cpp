#include "Modules/Canvas/Context2D/VLCanvasPath2DJSBinding.h"

#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Modules/Canvas/Context2D/VLCanvas2DPathCall.h"

#include <type_traits>

bool VLCanvasPath2DJSBinding::initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                              JSValueRef*) {
    if (argc == 0)
        return true;
    if (const VLCanvasPath2D* other = VLGetPath2DFromJSValue(ctx, argv[0])) {
        _path = *other;
    } else if (JSValueIsString(ctx, argv[0])) {
        const VLJSString data = VLJSString::adopt(JSValueToStringCopy(ctx, argv[0], nullptr));
        if (data) {
            static_assert(std::is_same_v<JSChar, uint16_t>, "script strings are UTF-16 code units");
            _path = VLCanvasPath2D::createWithSVGPathData(
                {JSStringGetCharactersPtr(data.get()), JSStringGetLength(data.get())});
        }
    }
    return true;
}

template <int CallIndex>
JSValueRef VLCanvasPath2DJSBinding::pathCall(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                             JSValueRef* exception) {
    return VLCanvas2DPathCall(_path, CallIndex, ctx, argc, argv, exception);
}

JSValueRef VLCanvasPath2DJSBinding::addPath(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                            JSValueRef* exception) {
    const VLCanvasPath2D* other = argc > 0 ? VLGetPath2DFromJSValue(ctx, argv[0]) : nullptr;
    if (!other) {
        VLJSThrowException(ctx, exception, "TypeError: addPath needs a Path2D");
        return nullptr;
    }
    VLAffineTransform transform;
    if (!VLJSValueGetMatrix2D(ctx, argc > 1 ? argv[1] : nullptr, &transform, "addPath", exception))
        return nullptr;
    // A matrix with a non-finite entry is ignored, as non-finite path arguments are.
    if (transform.isFinite())
        _path.addPath(*other, transform);
    return nullptr;
}

void VLCanvasPath2DJSBinding::describe(VLJSClassBuilder<VLCanvasPath2DJSBinding>& b) {
    using T = VLCanvasPath2DJSBinding;
    b.function<"moveTo", &T::pathCall<0>>();
    b.function<"lineTo", &T::pathCall<1>>();
    b.function<"rect", &T::pathCall<2>>();
    b.function<"bezierCurveTo", &T::pathCall<3>>();
    b.function<"quadraticCurveTo", &T::pathCall<4>>();
    b.function<"arcTo", &T::pathCall<5>>();
    b.function<"arc", &T::pathCall<6>>();
    b.function<"ellipse", &T::pathCall<7>>();
    b.function<"roundRect", &T::pathCall<8>>();
    b.function<"closePath", &T::pathCall<9>>();
    b.function<"addPath", &T::addPath>();
}

VLCanvasPath2D* VLGetPath2DFromJSValue(JSContextRef ctx, JSValueRef value) {
    VLCanvasPath2DJSBinding* binding = VLJSBindingGetObjectOfClass<VLCanvasPath2DJSBinding>(ctx, value);
    return binding ? &binding->path() : nullptr;
}
