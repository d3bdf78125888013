#include "Modules/Storage/VLFilesJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Engine/RunLoop/VLQueueSupport.h"
#include "Core/Launcher/Services/VLUserFilesProvider.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"

namespace {

std::shared_ptr<VLRuntime> runtimeOf(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext);
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

} // namespace

void VLFilesJSBinding::validateConstructionWithContext(
    JSContextRef ctx, const std::shared_ptr<VLJSBindingContext>& bindingContext, size_t, const JSValueRef[],
    JSValueRef* exception) {
    const std::shared_ptr<VLRuntime> runtime = runtimeOf(bindingContext);
    if (!runtime || !runtime->userFilesProvider())
        VLJSThrowException(ctx, exception, "Velto.files isn't available");
}

std::shared_ptr<VLRuntime> VLFilesJSBinding::runtime() const {
    return runtimeOf(bindingContext());
}

JSValueRef VLFilesJSBinding::request(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                     JSValueRef* exception) {
    if (argc < 3 || !JSValueIsString(ctx, argv[0]) || !JSValueIsString(ctx, argv[1]) ||
        !JSValueIsNumber(ctx, argv[2])) {
        VLJSThrowException(ctx, exception, "request(kind, value, id) takes two strings and a number");
        return nullptr;
    }
    const std::string kind = VLJSValueToNSString(ctx, argv[0]).value_or("");
    const std::string value = VLJSValueToNSString(ctx, argv[1]).value_or("");
    const double request = VLJSValueToNumberFast(ctx, argv[2]);
    const std::shared_ptr<VLRuntime> runtime = this->runtime();
    const std::shared_ptr<VLUserFilesProvider> provider = runtime ? runtime->userFilesProvider() : nullptr;
    if (!provider) {
        _answerRequest(request, {}, "failed");
        return nullptr;
    }
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    std::shared_ptr<VLJSEngine> engine = bindingContext ? bindingContext->engine() : nullptr;
    // Held until the answer, so that a tool running the script waits for it.
    VLJSEngine::PendingWork work = engine ? engine->beginPendingWork() : nullptr;
    auto answer = [weakSelf = std::weak_ptr(sharedFromThis()), request,
                   work](const VLValue& file, const std::optional<std::string>& reason) {
        if (std::shared_ptr<VLFilesJSBinding> self = weakSelf.lock())
            self->_answerRequest(request, file, reason);
    };
    if (kind == "trash") {
        const std::optional<VLURL> url = runtime->fileURLForDropToken(value);
        if (!url) {
            _answerRequest(request, {}, "missing");
            return nullptr;
        }
        VLExecuteOnMainQueue([provider, runtime, url = *url, value, answer] {
            provider->runtimeTrashFileAtURL(
                runtime, url,
                [runtime, value, answer](const VLValue& file, const std::optional<std::string>& reason) {
                    // A trashed file can't be trashed again through its token.
                    if (!file.isMissing() && !reason)
                        runtime->forgetDropToken(value);
                    answer(file, reason);
                });
        });
    } else if (kind == "restore") {
        VLExecuteOnMainQueue([provider, runtime, value, answer] {
            provider->runtimeRestoreFileWithIdentifier(runtime, value, answer);
        });
    } else if (kind == "list") {
        VLExecuteOnMainQueue([provider, runtime, answer] {
            provider->runtimeListFilesWithCompletion(runtime, [answer](const std::optional<VLArray>& files) {
                answer(files.value_or(VLArray()), std::nullopt);
            });
        });
    } else {
        _answerRequest(request, {}, "failed");
    }
    return nullptr;
}

void VLFilesJSBinding::_answerRequest(double request, VLValue value, std::optional<std::string> reason) {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (!bindingContext || bindingContext->isTerminated())
        return;
    VLDictionary answer{{"request", request}};
    if (reason || value.isMissing())
        answer.set("reason", reason.value_or("failed"));
    else
        answer.set("value", std::move(value));
    VLJSBindingPerformBlockOnThread(bindingContext, [weakSelf = std::weak_ptr(sharedFromThis()), answer] {
        std::shared_ptr<VLFilesJSBinding> self = weakSelf.lock();
        std::shared_ptr<VLJSBindingContext> bindingContext = self ? self->bindingContext() : nullptr;
        JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
        if (!ctx || bindingContext->isTerminated())
            return;
        JSValueRef argument = VLJSValueFromNSObject(ctx, answer);
        self->triggerEvent("result", 1, &argument);
    });
}
