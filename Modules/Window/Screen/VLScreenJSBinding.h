#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Modules/Window/Screen/VLScreen.h"

#include <JavaScriptCore/JavaScript.h>

#include <memory>

class VLJSBindingContext;

// The script class "Screen": one display, each property read live. Only the ScreenManager hands them
// out; scripts cannot construct one. JavaScript thread.
class VLScreenJSBinding final : public VLJSBinding<VLScreenJSBinding> {
public:
    // A binding without a screen answers zeros and false.
    explicit VLScreenJSBinding(std::shared_ptr<VLScreen> screen) : _screen(std::move(screen)) {}

    // A new object for the screen.
    static JSObjectRef objectForScreen(JSContextRef ctx,
                                       const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                       std::shared_ptr<VLScreen> screen);

    JSValueRef identifier(JSContextRef ctx);
    template <bool (VLScreen::*Read)() const>
    JSValueRef flag(JSContextRef ctx) {
        return JSValueMakeBoolean(ctx, _screen && (_screen.get()->*Read)());
    }
    // {x, y, width, height}.
    template <VLRect (VLScreen::*Read)() const>
    JSValueRef rect(JSContextRef ctx) {
        return rectObject(ctx, _screen ? (_screen.get()->*Read)() : VLRectZero);
    }
    // {width, height}.
    template <VLSize (VLScreen::*Read)() const>
    JSValueRef size(JSContextRef ctx) {
        return sizeObject(ctx, _screen ? (_screen.get()->*Read)() : VLSize{});
    }

    static void describe(VLJSClassBuilder<VLScreenJSBinding>& b) {
        b.getter<"identifier", &VLScreenJSBinding::identifier>();
        b.getter<"isActive", &VLScreenJSBinding::flag<&VLScreen::isActive>>();
        b.getter<"isAsleep", &VLScreenJSBinding::flag<&VLScreen::isAsleep>>();
        b.getter<"isOnline", &VLScreenJSBinding::flag<&VLScreen::isOnline>>();
        b.getter<"isMain", &VLScreenJSBinding::flag<&VLScreen::isMain>>();
        b.getter<"isBuiltin", &VLScreenJSBinding::flag<&VLScreen::isBuiltin>>();
        b.getter<"isInMirrorSet", &VLScreenJSBinding::flag<&VLScreen::isInMirrorSet>>();
        b.getter<"bounds", &VLScreenJSBinding::rect<&VLScreen::bounds>>();
        b.getter<"visibleFrame", &VLScreenJSBinding::rect<&VLScreen::visibleFrame>>();
        b.getter<"resolution", &VLScreenJSBinding::size<&VLScreen::resolution>>();
        b.getter<"physicalSize", &VLScreenJSBinding::size<&VLScreen::physicalSize>>();
    }

private:
    static JSValueRef rectObject(JSContextRef ctx, const VLRect& rect);
    static JSValueRef sizeObject(JSContextRef ctx, const VLSize& size);

    const std::shared_ptr<VLScreen> _screen;
};
