#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class VLJSBindingContext;

// How native code calls script functions: on the binding context's JavaScript thread directly; from
// any other thread (audio, network, media) by posting the call there. A caller on another thread never
// enters JavaScriptCore, which the JavaScript thread holds for as long as a script runs: the values it
// passes must be kept protected by their owner (the binding that holds them, on the JavaScript thread)
// until the call has run or the owner has cancelled its posted calls; the check, a protection for the
// length of the call and the call itself happen on the JavaScript thread. Also the completion
// convention of options objects with "success", "fail" and "complete" members.
//
// Made with std::make_shared; every binding object has one. invokeFunction() and cancelPostedCalls()
// may be called from any thread; the rest belongs to the JavaScript thread.
class VLJSFunctionInvoker : public std::enable_shared_from_this<VLJSFunctionInvoker> {
public:
    explicit VLJSFunctionInvoker(const std::shared_ptr<VLJSBindingContext>& bindingContext)
        : _bindingContext(bindingContext) {}

    // On the JavaScript thread: calls the function (a null `this` means the global object) and returns
    // its result, nullptr when it threw (the exception is left in the out-parameter). From another
    // thread: posts the call and returns nullptr at once, never touching the values; an exception it
    // throws is reported. A value that is not a function, or an unbound context, gives nullptr and
    // does nothing (checked on the JavaScript thread for a posted call).
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

    // Calls posted from other threads that have not run yet are dropped; later ones run. For the owner of
    // their values before it lets them go.
    void cancelPostedCalls() { _generation.fetch_add(1); }

private:
    JSValueRef callOnThread(JSGlobalContextRef ctx, JSObjectRef function, JSObjectRef thisObject, size_t argc,
                            const JSValueRef argv[], JSValueRef* exception);
    // On the JavaScript thread, for a call that another thread posted.
    void runPostedCall(JSValueRef function, JSObjectRef thisObject, const std::vector<JSValueRef>& arguments);
    // The object's member of that name when it is a function, else nullptr.
    static JSObjectRef functionForName(const char* name, JSObjectRef object, JSContextRef ctx,
                                       JSValueRef* exception);

    std::weak_ptr<VLJSBindingContext> _bindingContext;
    // Posted calls run only while it is the one they were posted under.
    std::atomic<uint64_t> _generation{0};
};
