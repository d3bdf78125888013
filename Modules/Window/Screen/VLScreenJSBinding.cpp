#include "Modules/Window/Screen/VLScreenJSBinding.h"

#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Platform/Foundation/VLValue.h"

JSObjectRef VLScreenJSBinding::objectForScreen(JSContextRef ctx,
                                               const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                               std::shared_ptr<VLScreen> screen) {
    return createJSObjectWithContext(ctx, bindingContext,
                                     std::make_shared<VLScreenJSBinding>(std::move(screen)));
}

JSValueRef VLScreenJSBinding::identifier(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, _screen ? _screen->identifier() : 0);
}

JSValueRef VLScreenJSBinding::rectObject(JSContextRef ctx, const VLRect& rect) {
    return VLJSValueFromNSObject(ctx, VLDictionary{{"x", rect.origin.x},
                                                   {"y", rect.origin.y},
                                                   {"width", rect.size.width},
                                                   {"height", rect.size.height}});
}

JSValueRef VLScreenJSBinding::sizeObject(JSContextRef ctx, const VLSize& size) {
    return VLJSValueFromNSObject(ctx, VLDictionary{{"width", size.width}, {"height", size.height}});
}
