#include "Core/Engine/CoreScope/VLPerformanceJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSEngine.h"

JSValueRef VLPerformanceJSBinding::now(JSContextRef ctx) {
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    return JSValueMakeNumber(ctx, bindingContext ? bindingContext->now() : 0);
}

JSValueRef VLPerformanceJSBinding::timeOrigin(JSContextRef ctx) {
    std::shared_ptr<VLJSBindingContext> bindingContext = VLJSBindingGetContext(this);
    std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr;
    return JSValueMakeNumber(ctx, engine ? engine->timeOrigin() : 0);
}
