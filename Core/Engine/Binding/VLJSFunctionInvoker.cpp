#include "Core/Engine/Binding/VLJSFunctionInvoker.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"

#include <vector>

namespace {

// The value as a function object, or nullptr when it is none.
JSObjectRef functionObject(JSContextRef ctx, JSValueRef value) {
    if (!value || !JSValueIsObject(ctx, value))
        return nullptr;
    JSObjectRef object = JSValueToObject(ctx, value, nullptr);
    return object && JSObjectIsFunction(ctx, object) ? object : nullptr;
}

} // namespace

JSValueRef VLJSFunctionInvoker::invokeFunction(JSValueRef function, JSObjectRef thisObject, size_t argc,
                                               const JSValueRef argv[], JSValueRef* exception) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    if (!bindingContext)
        return nullptr;
    if (bindingContext->isCurrentThread()) {
        JSGlobalContextRef ctx = bindingContext->globalCtx();
        JSObjectRef callee = functionObject(ctx, function);
        return callee ? callOnThread(ctx, callee, thisObject, argc, argv, exception) : nullptr;
    }
    // Nothing here may enter JavaScriptCore: the values travel as they are.
    auto call = [weakSelf = weak_from_this(), generation = _generation.load(), function, thisObject,
                 arguments = std::vector<JSValueRef>(argv, argv + argc)] {
        std::shared_ptr<VLJSFunctionInvoker> self = weakSelf.lock();
        if (self && self->_generation.load() == generation)
            self->runPostedCall(function, thisObject, arguments);
    };
    VLJSBindingPerformBlockOnThread(bindingContext, std::move(call));
    return nullptr;
}

JSValueRef VLJSFunctionInvoker::callOnThread(JSGlobalContextRef ctx, JSObjectRef function,
                                             JSObjectRef thisObject, size_t argc, const JSValueRef argv[],
                                             JSValueRef* exception) {
    JSValueRef result = JSObjectCallAsFunction(ctx, function, thisObject, argc, argv, exception);
    if (auto bindingContext = _bindingContext.lock())
        bindingContext->reportRejectionOfPromise(result);
    return result;
}

void VLJSFunctionInvoker::runPostedCall(JSValueRef function, JSObjectRef thisObject,
                                        const std::vector<JSValueRef>& arguments) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    JSObjectRef callee = ctx ? functionObject(ctx, function) : nullptr;
    if (!callee)
        return;
    // The call may drop the owner's protection (a handler that replaces itself).
    VLJSValueProtect(ctx, callee);
    VLJSValueProtect(ctx, thisObject);
    for (JSValueRef argument : arguments)
        VLJSValueProtect(ctx, argument);
    JSValueRef exception = nullptr;
    callOnThread(ctx, callee, thisObject, arguments.size(), arguments.data(), &exception);
    if (exception)
        bindingContext->notifyException(exception);
    VLJSValueUnprotect(ctx, callee);
    VLJSValueUnprotect(ctx, thisObject);
    for (JSValueRef argument : arguments)
        VLJSValueUnprotect(ctx, argument);
}

JSObjectRef VLJSFunctionInvoker::functionForName(const char* name, JSObjectRef object, JSContextRef ctx,
                                                 JSValueRef* exception) {
    JSValueRef member = JSObjectGetProperty(ctx, object, VLJSString(name).get(), exception);
    if (!member || !JSValueIsObject(ctx, member))
        return nullptr;
    JSObjectRef function = JSValueToObject(ctx, member, exception);
    return function && JSObjectIsFunction(ctx, function) ? function : nullptr;
}

void VLJSFunctionInvoker::invokeCallback(JSValueRef options, size_t argc, const JSValueRef argv[], bool succ,
                                         JSValueRef* exception) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx || !options || !JSValueIsObject(ctx, options))
        return;
    JSValueRef localException = nullptr;
    if (!exception)
        exception = &localException;
    JSObjectRef object = JSValueToObject(ctx, options, nullptr);
    JSObjectRef outcome = functionForName(succ ? "success" : "fail", object, ctx, exception);
    if (*exception)
        return;
    if (outcome) {
        invokeFunction(outcome, object, argc, argv, exception);
        if (*exception)
            return;
    }
    if (JSObjectRef complete = functionForName("complete", object, ctx, exception))
        invokeFunction(complete, object, argc, argv, exception);
}

void VLJSFunctionInvoker::invokeCallback(JSValueRef options, const VLValue& extra, bool succ,
                                         JSValueRef* exception) {
    std::shared_ptr<VLJSBindingContext> bindingContext = _bindingContext.lock();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return;
    VLValue data = extra;
    if (succ && !data.dictionaryValue().contains("errMsg")) {
        data.mutableDictionary().set("errMsg", "ok");
        data.mutableDictionary().set("code", 0);
    }
    if (data.count() == 0) {
        invokeCallback(options, 0, nullptr, succ, exception);
        return;
    }
    JSValueRef argument = VLJSValueFromNSObject(ctx, data);
    invokeCallback(options, 1, &argument, succ, exception);
}
