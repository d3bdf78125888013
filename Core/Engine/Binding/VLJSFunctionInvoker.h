#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstddef>
#include <memory>

class VLJSBindingContext;

// How native code calls script functions: on the binding context's JavaScript thread directly, from
// any other thread by posting the call there with the function, `this` and the arguments protected
// until it has run. Also the completion convention of options objects with "success", "fail" and
// "complete" members. Made with std::make_shared; every binding object has one. invokeFunction() may
// be called from any thread; the rest belongs to the JavaScript thread.
class VLJSFunctionInvoker : public std::enable_shared_from_this<VLJSFunctionInvoker> {
public:
    explicit VLJSFunctionInvoker(const std::shared_ptr<VLJSBindingContext>& bindingContext)
        : _bindingContext(bindingContext) {}

    // On the JavaScript thread: calls the function (a null `this` means the global object) and returns
    // its result, nullptr when it threw (the exception is left in the out-parameter). From another
    // thread: posts the call and returns nullptr at once; an exception it throws is reported.
    // A value that is not a function, or an unbound context, gives nullptr and does nothing.
    JSValueRef invokeFunction(JSValueRef function, JSObjectRef thisObject, size_t argc,
                              const JSValueRef argv[], JSValueRef* exception);

    // Calls options.success (or options.fail without the success flag) and then options.complete,
    // each with the options as `this` and the arguments; complete is skipped when the first call
    // threw. Missing members are ignored. On the JavaScript thread.
    void invokeCallback(JSValueRef options, size_t argc, const JSValueRef argv[], bool succ,
                        JSValueRef* exception);
    // The same with the data as one object argument; on success it carries errMsg "ok" and code 0
    // unless it has an errMsg. A failure without data passes no argument.
    void invokeCallback(JSValueRef options, const VLValue& extra, bool succ, JSValueRef* exception);

private:
    JSValueRef callOnThread(JSGlobalContextRef ctx, JSObjectRef function, JSObjectRef thisObject, size_t argc,
                            const JSValueRef argv[], JSValueRef* exception);
    // From another thread, inside the binding context's withGlobalCtx().
    void postCall(const std::shared_ptr<VLJSBindingContext>& bindingContext, JSGlobalContextRef ctx,
                  JSObjectRef function, JSObjectRef thisObject, size_t argc, const JSValueRef argv[]);
    // The object's member of that name when it is a function, else nullptr.
    static JSObjectRef functionForName(const char* name, JSObjectRef object, JSContextRef ctx,
                                       JSValueRef* exception);

    std::weak_ptr<VLJSBindingContext> _bindingContext;
};
