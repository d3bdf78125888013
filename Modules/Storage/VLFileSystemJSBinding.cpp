#include "Modules/Storage/VLFileSystemJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Storage/VLFilePerform.h"
#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cerrno>
#include <vector>

namespace {

// Data goes to the script without a copy: the bytes were read for it alone.
JSValueRef resultValue(JSContextRef ctx, VLValue result) {
    if (result.isData())
        return VLJSValueFromNSDataNoCopy(ctx, result.takeData());
    return VLJSValueFromNSObject(ctx, result);
}

JSValueRef errorInfoValue(JSContextRef ctx, const VLDictionary& errorInfo) {
    return errorInfo.empty() ? JSValueMakeNull(ctx) : VLJSValueFromNSObject(ctx, errorInfo);
}

} // namespace

void VLFileSystemJSBinding::didCreateJSObject(JSObjectRef object,
                                              const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    if (JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr) {
        _callFunction = VLJSFunctionFromScript(ctx, "Function.prototype.call");
        VLJSValueProtect(ctx, _callFunction);
    }
}

void VLFileSystemJSBinding::willCollectGarbage() {
    if (JSGlobalContextRef ctx = protectionContext()) {
        for (const auto& [call, callback] : _callbacks)
            VLJSValueUnprotect(ctx, callback);
        VLJSValueUnprotect(ctx, _callFunction);
    }
    _callbacks.clear();
    _callFunction = nullptr;
    Super::willCollectGarbage();
}

JSGlobalContextRef VLFileSystemJSBinding::protectionContext() const {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    return bindingContext ? bindingContext->globalCtx() : nullptr;
}

std::shared_ptr<VLRuntime> VLFileSystemJSBinding::runtime() const {
    auto bindingContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(this->bindingContext());
    return bindingContext ? bindingContext->runtime() : nullptr;
}

JSValueRef VLFileSystemJSBinding::callFunction(JSContextRef ctx, JSObjectRef function, size_t argc,
                                               const JSValueRef argv[], JSValueRef* exception) const {
    if (!_callFunction)
        return nullptr;
    // function.call(undefined, ...argv)
    std::vector<JSValueRef> arguments{JSValueMakeUndefined(ctx)};
    arguments.insert(arguments.end(), argv, argv + argc);
    return JSObjectCallAsFunction(ctx, _callFunction, function, arguments.size(), arguments.data(),
                                  exception);
}

JSValueRef VLFileSystemJSBinding::requireModule(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                JSValueRef* exception) {
    if (argc < 4)
        return JSValueMakeNull(ctx);
    std::string path = VLJSValueTransformToNSString(ctx, argv[0]).value_or("");
    if (!path.ends_with(".js"))
        path += ".js";
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    VLErrorRef error;
    const std::optional<VLData> contents =
        runtime ? runtime->fileSystemManager()->contentsAtURL(VLURL(VLURLComponents::percentEncodePath(path)),
                                                              &error)
                : std::nullopt;
    if (!contents) {
        if (!error || (error->domain() == VLPOSIXErrorDomain && error->code() == ENOENT))
            return VLJSValueFromNSString(ctx, "not found");
        return VLJSValueFromNSString(ctx, error->localizedDescription());
    }
    const std::string_view text(reinterpret_cast<const char*>(contents->data()), contents->size());
    if (!VLIsValidUTF8(text))
        return VLJSValueFromNSString(ctx, "not UTF-8");
    // Wrapped on the module's first line, as Node wraps modules, so that errors name the file's own
    // lines: a function made from parameters and a body would count two lines of its own before it.
    const std::string source = "(function (module, exports, require) {" + std::string(text) + "\n})";
    JSValueRef function = JSEvaluateScript(ctx, VLJSString(source).get(), nullptr,
                                           VLJSString(VLJSSourceURLStandardize(path)).get(), 1, exception);
    if (function && JSValueIsObject(ctx, function))
        callFunction(ctx, JSValueToObject(ctx, function, nullptr), 3, argv + 1, exception);
    return nullptr;
}

JSValueRef VLFileSystemJSBinding::perform(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef* exception) {
    if (argc < 2 || !JSValueIsString(ctx, argv[0]) || !JSValueIsObject(ctx, argv[1])) {
        VLJSThrowException(ctx, exception, "perform(op, args[, callback])");
        return nullptr;
    }
    std::string operation = VLJSValueToNSString(ctx, argv[0]).value_or("");
    VLValue converted = VLJSValueToNSObject(ctx, argv[1]);
    VLArray arguments = converted.isArray() ? converted.arrayValue() : VLArray();
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::shared_ptr<VLFileSystemManager> manager = runtime ? runtime->fileSystemManager() : nullptr;
    JSObjectRef callback =
        argc > 2 && JSValueIsObject(ctx, argv[2]) ? JSValueToObject(ctx, argv[2], nullptr) : nullptr;
    if (callback && JSObjectIsFunction(ctx, callback)) {
        if (manager)
            performLater(ctx, *manager, std::move(operation), std::move(arguments), callback);
        return nullptr;
    }
    VLValue result;
    VLDictionary errorInfo;
    if (manager)
        manager->sync([&](VLFileSystemManager& fileSystem) {
            result = VLFilePerform(fileSystem, operation, arguments, &errorInfo);
        });
    const JSValueRef outcome[] = {errorInfoValue(ctx, errorInfo), resultValue(ctx, std::move(result))};
    return JSObjectMakeArray(ctx, 2, outcome, exception);
}

void VLFileSystemJSBinding::performLater(JSContextRef ctx, VLFileSystemManager& manager,
                                         std::string operation, VLArray arguments, JSObjectRef callback) {
    const uint64_t call = _nextCall++;
    VLJSValueProtect(ctx, callback);
    _callbacks.emplace(call, callback);
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr;
    // Held until the answer ran or was dropped, so that a tool running the script waits for it.
    VLJSEngine::PendingWork work = engine ? engine->beginPendingWork() : nullptr;
    std::weak_ptr<VLFileSystemJSBinding> weakSelf = sharedFromThis();
    std::weak_ptr<VLJSBindingContext> weakContext = bindingContext;
    manager.async([weakSelf, weakContext, call, operation = std::move(operation),
                   arguments = std::move(arguments),
                   work = std::move(work)](VLFileSystemManager& fileSystem) {
        VLDictionary errorInfo;
        VLValue result = VLFilePerform(fileSystem, operation, arguments, &errorInfo);
        VLJSBindingPerformBlockOnThread(
            weakContext.lock(),
            [weakSelf, call, result = std::move(result), errorInfo = std::move(errorInfo), work]() mutable {
                if (std::shared_ptr<VLFileSystemJSBinding> self = weakSelf.lock())
                    self->answerCall(call, std::move(result), std::move(errorInfo));
                work.reset();
            });
    });
}

void VLFileSystemJSBinding::answerCall(uint64_t call, VLValue result, VLDictionary errorInfo) {
    auto found = _callbacks.find(call);
    if (found == _callbacks.end())
        return;
    JSObjectRef callback = found->second;
    _callbacks.erase(found);
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
    if (!ctx)
        return;
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    if (!bindingContext->isTerminated() && (!runtime || !runtime->isTerminated())) {
        const JSValueRef outcome[] = {errorInfoValue(ctx, errorInfo), resultValue(ctx, std::move(result))};
        JSValueRef exception = nullptr;
        callFunction(ctx, callback, 2, outcome, &exception);
        if (exception)
            VLJSBindingHandleJSException(this, exception);
    }
    VLJSValueUnprotect(ctx, callback);
}
