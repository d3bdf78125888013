#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"

#include <memory>
#include <string>

// The event object handed to listeners by VLEventedJSBindingBase::triggerEvent(type, properties):
// read-only target, currentTarget (the same object), type and timestamp (the engine's clock in
// milliseconds when the event was made); preventDefault() and stopPropagation() do nothing.
class VLJSBindingEvent final : public VLJSBinding<VLJSBindingEvent> {
public:
    // The event's JavaScript object; the target stays protected while the event lives.
    static JSObjectRef
    createJSObjectWithBindingContext(const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                     std::string type, JSObjectRef target);

    JSValueRef target(JSContextRef ctx);
    JSValueRef type(JSContextRef ctx);
    JSValueRef timestamp(JSContextRef ctx);
    JSValueRef doNothing(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLJSBindingEvent>& b);

    void willCollectGarbage() override;

private:
    std::string _type;
    JSObjectRef _target = nullptr;
    double _timestamp = 0;
};
