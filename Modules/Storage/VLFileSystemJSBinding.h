#pragma once

#include "Core/Engine/Binding/VLJSBinding.h"
#include "Core/Engine/Binding/VLJSClassBuilder.h"
#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

class VLFileSystemManager;
class VLRuntime;

// The script class "FileSystem", the native half of the file system module: requireModule() compiles
// and runs a script file of the package or the sandbox as a CommonJS module, and perform() runs a file
// operation (VLFilePerform) on the runtime's file thread, waiting for it or answering a callback later.
// The "fs" resource script builds require and Node's fs names on these two.
//
// JavaScript thread, but for the operations themselves, which run on the file thread and hand their
// outcome back.
class VLFileSystemJSBinding final : public VLJSBinding<VLFileSystemJSBinding> {
public:
    static std::string bindingClassName() { return "FileSystem"; }

    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    // Drops the callbacks still waiting: their calls will not be answered.
    void willCollectGarbage() override;

    // requireModule(path, module, exports, require): undefined once the module ran, or the reason it
    // could not be read ("not found", "not UTF-8", an error's description); null with fewer than four
    // arguments. A syntax error and what the module throws are thrown.
    JSValueRef requireModule(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // perform(op, args[, callback]): [error info or null, result or null]; with a callback, undefined,
    // and the callback gets the two later.
    JSValueRef perform(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);

    static void describe(VLJSClassBuilder<VLFileSystemJSBinding>& b) {
        b.function<"requireModule", &VLFileSystemJSBinding::requireModule>();
        b.function<"perform", &VLFileSystemJSBinding::perform>();
    }

private:
    std::shared_ptr<VLRuntime> runtime() const;
    // Calls the function with `this` undefined.
    JSValueRef callFunction(JSContextRef ctx, JSObjectRef function, size_t argc, const JSValueRef argv[],
                            JSValueRef* exception) const;
    void performLater(JSContextRef ctx, VLFileSystemManager& manager, std::string operation,
                      VLArray arguments, JSObjectRef callback);
    // On the JavaScript thread: hands the outcome of a call to its callback, unless the runtime ended.
    void answerCall(uint64_t call, VLValue result, VLDictionary errorInfo);
    // The global context to unprotect in while bound, else nullptr: the protections went with it.
    JSGlobalContextRef protectionContext() const;

    // Function.prototype.call as the engine made it, protected.
    JSObjectRef _callFunction = nullptr;
    // The callbacks of calls not answered yet, protected, by call number.
    std::unordered_map<uint64_t, JSObjectRef> _callbacks;
    uint64_t _nextCall = 1;
};
