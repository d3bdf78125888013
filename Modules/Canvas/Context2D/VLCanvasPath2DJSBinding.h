#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Modules/Canvas/Context2D/VLCanvasPath2D.h"

#include <string>

// "Path2D": a recorded path that scripts build with the context's path methods, copy, parse from SVG
// path data and add to one another. JavaScript thread only.
class VLCanvasPath2DJSBinding final : public VLJSBinding<VLCanvasPath2DJSBinding> {
public:
    static std::string bindingClassName() { return "Path2D"; }

    using Super::initWithContext;
    // No argument, a Path2D to copy, or SVG path data; anything else gives an empty path.
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override;

    VLCanvasPath2D& path() { return _path; }

    // Script face: the path methods, by their index in VLCanvas2DPathCall.
    template <int CallIndex>
    JSValueRef pathCall(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef addPath(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLCanvasPath2DJSBinding>& b);

private:
    VLCanvasPath2D _path;
};

// The recorded path of a "Path2D" object, nullptr for any other value; valid while the object lives.
VLCanvasPath2D* VLGetPath2DFromJSValue(JSContextRef ctx, JSValueRef value);
