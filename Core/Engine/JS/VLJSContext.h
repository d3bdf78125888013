#pragma once

#include <JavaScriptCore/JavaScript.h>

#include <functional>
#include <span>
#include <string>
#include <string_view>

// The body of a native function that scripts call: the standard call arguments, and the exception
// out-parameter through which it throws. A null result reads as undefined.
using VLJSFunction = std::function<JSValueRef(JSContextRef ctx, JSObjectRef thisObject, size_t argumentCount,
                                              const JSValueRef arguments[], JSValueRef* exception)>;

// A script context on a virtual machine of its own, with an exception handler that receives what
// scripts throw when native code runs them through this object. Made, used and destroyed on one
// thread (the engine's JavaScript thread); so is every value it hands out.
class VLJSContext {
public:
    using ExceptionHandler = std::function<void(VLJSContext& context, JSValueRef exception)>;

    VLJSContext();
    ~VLJSContext();
    VLJSContext(const VLJSContext&) = delete;
    VLJSContext& operator=(const VLJSContext&) = delete;

    JSGlobalContextRef globalContext() const { return _globalContext; }
    JSObjectRef globalObject() const { return JSContextGetGlobalObject(_globalContext); }

    // The name that inspectors show.
    std::string name() const;
    void setName(std::string_view name);

    void setExceptionHandler(ExceptionHandler handler) { _exceptionHandler = std::move(handler); }
    // Hands a thrown value to the exception handler; nothing without a handler or a value.
    void notifyException(JSValueRef exception);

    // Evaluates with the global object as this, from line 1; the source URL is used as given (empty:
    // none). A throw gives nullptr and goes to the out-parameter when there is one, else to the
    // exception handler.
    JSValueRef evaluateScript(std::string_view script, std::string_view sourceURL = {},
                              JSValueRef* exception = nullptr);
    // Calls the function; this defaults to the global object. A throw goes to the exception handler
    // and gives nullptr.
    JSValueRef call(JSObjectRef function, std::span<const JSValueRef> arguments,
                    JSObjectRef thisObject = nullptr);

    // A function object of this context whose calls run the body. The body lives as long as the
    // object; it is destroyed by the collector's finalizer, which may run on any thread, so it must
    // capture nothing whose destruction reaches into a context.
    JSObjectRef makeFunction(std::string_view name, VLJSFunction body);

private:
    JSContextGroupRef _group;
    JSGlobalContextRef _globalContext;
    ExceptionHandler _exceptionHandler;
};
