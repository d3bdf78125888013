#include "Modules/Storage/VLStorageJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/VLFileSystemManager.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Storage/VLStorageArea.h"

#include <cmath>
#include <optional>

namespace {

// The argument as scripts convert it to a string, "" when it is missing; nothing when the conversion
// threw, with the exception stored.
std::optional<std::string> textArgument(JSContextRef ctx, size_t argc, const JSValueRef argv[], size_t index,
                                        JSValueRef* exception) {
    if (index >= argc)
        return std::string();
    JSValueRef thrown = nullptr;
    const VLJSString text = VLJSString::adopt(JSValueToStringCopy(ctx, argv[index], &thrown));
    if (thrown || !text) {
        if (exception)
            *exception = thrown;
        return std::nullopt;
    }
    return text.utf8();
}

} // namespace

VLStorageJSBinding::~VLStorageJSBinding() = default;

void VLStorageJSBinding::willCollectGarbage() {
    _terminationObserver.reset();
    Super::willCollectGarbage();
}

const std::shared_ptr<VLStorageArea>& VLStorageJSBinding::area() {
    if (!_area) {
        setArea(chooseArea());
        watchTermination();
    }
    return _area;
}

std::shared_ptr<VLStorageArea> VLStorageJSBinding::chooseArea() const {
    // A runtime that has begun to end gets no file: its termination notice, which would have taken the
    // file away again, has been posted already.
    const std::shared_ptr<VLJSBindingContext> context = bindingContext();
    const auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(context);
    const std::shared_ptr<VLRuntime> runtime = runtimeContext ? runtimeContext->runtime() : nullptr;
    if (runtime && runtime->fileSystemManager() && !context->isTerminated()) {
        const VLFileSystemManager& files = *runtime->fileSystemManager();
        if (const std::optional<std::string> path =
                syncs() ? files.syncStoragePath() : files.localStoragePath())
            return syncs() ? VLStorageArea::syncAreaWithPath(*path) : VLStorageArea::areaWithPath(*path);
    }
    return freshMemoryArea();
}

std::shared_ptr<VLStorageArea> VLStorageJSBinding::freshMemoryArea() const {
    return syncs() ? VLStorageArea::syncMemoryArea() : VLStorageArea::memoryArea();
}

void VLStorageJSBinding::setArea(std::shared_ptr<VLStorageArea> area) {
    _area = std::move(area);
}

void VLStorageJSBinding::watchTermination() {
    const std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context || context->isTerminated())
        return;
    // Posted on the JavaScript thread of the runtime that ends, which is this binding's when the global
    // context is its own.
    _terminationObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf = weak_from_this(),
         globalContext = context->globalCtx()](const VLNotification& notification) {
            const auto* ending = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
            if (!ending || *ending != globalContext)
                return;
            if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock()) {
                auto& storage = static_cast<VLStorageJSBinding&>(*self);
                storage.setArea(storage.freshMemoryArea());
            }
        });
}

JSValueRef VLStorageJSBinding::length(JSContextRef ctx) {
    return JSValueMakeNumber(ctx, double(area()->length()));
}

JSValueRef VLStorageJSBinding::key(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                   JSValueRef* exception) {
    const double index = argc > 0 ? JSValueToNumber(ctx, argv[0], exception) : 0;
    if (exception && *exception)
        return nullptr;
    // 2^64: the first index that no size_t holds.
    if (!(index >= 0) || index >= 18446744073709551616.0)
        return JSValueMakeNull(ctx);
    const std::optional<std::string> key = area()->keyAtIndex(size_t(index));
    return key ? VLJSValueFromNSString(ctx, *key) : JSValueMakeNull(ctx);
}

JSValueRef VLStorageJSBinding::getItem(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                       JSValueRef* exception) {
    const std::optional<std::string> key = textArgument(ctx, argc, argv, 0, exception);
    if (!key)
        return nullptr;
    const std::optional<std::string> value = area()->itemForKey(*key);
    return value ? VLJSValueFromNSString(ctx, *value) : JSValueMakeNull(ctx);
}

JSValueRef VLStorageJSBinding::setItem(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                       JSValueRef* exception) {
    const std::optional<std::string> key = textArgument(ctx, argc, argv, 0, exception);
    const std::optional<std::string> value = key ? textArgument(ctx, argc, argv, 1, exception) : std::nullopt;
    if (!value)
        return nullptr;
    return JSValueMakeNumber(ctx, double(area()->setItem(*value, *key)));
}

JSValueRef VLStorageJSBinding::removeItem(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                          JSValueRef* exception) {
    if (const std::optional<std::string> key = textArgument(ctx, argc, argv, 0, exception))
        area()->removeItemForKey(*key);
    return nullptr;
}

JSValueRef VLStorageJSBinding::clear(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    area()->clear();
    return nullptr;
}
