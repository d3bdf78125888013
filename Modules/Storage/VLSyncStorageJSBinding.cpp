#include "Modules/Storage/VLSyncStorageJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Modules/Storage/VLStorageArea.h"

namespace {

JSValueRef textOrNull(JSContextRef ctx, const std::optional<std::string>& text) {
    return text ? VLJSValueFromNSString(ctx, *text) : JSValueMakeNull(ctx);
}

} // namespace

void VLSyncStorageJSBinding::willCollectGarbage() {
    setArea(nullptr);
    Super::willCollectGarbage();
}

void VLSyncStorageJSBinding::setArea(std::shared_ptr<VLStorageArea> area) {
    if (const std::shared_ptr<VLStorageArea>& old = currentArea())
        old->removeObserver(this);
    if (area)
        area->addObserver(sharedFromThis());
    Super::setArea(std::move(area));
}

void VLSyncStorageJSBinding::storageArea(const std::shared_ptr<VLStorageArea>& area,
                                         const std::vector<VLStorageAreaChange>& changes) {
    const std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context)
        return;
    VLJSBindingPerformBlockOnThread(context, [weakSelf = weak_from_this(), area, changes] {
        if (std::shared_ptr<VLJSBindingBase> self = weakSelf.lock())
            static_cast<VLSyncStorageJSBinding&>(*self).fireChanges(area, changes);
    });
}

void VLSyncStorageJSBinding::fireChanges(const std::shared_ptr<VLStorageArea>& area,
                                         const std::vector<VLStorageAreaChange>& changes) {
    const std::shared_ptr<VLJSBindingContext> context = bindingContext();
    JSGlobalContextRef ctx = context ? context->globalCtx() : nullptr;
    // Changes of an area given up meanwhile (the runtime ended) are no longer this binding's.
    if (!ctx || context->isTerminated() || area != currentArea())
        return;
    for (const VLStorageAreaChange& change : changes) {
        triggerEvent("change", {{"key", VLJSValueFromNSString(ctx, change.key)},
                                {"oldValue", textOrNull(ctx, change.oldValue)},
                                {"newValue", textOrNull(ctx, change.value)}});
    }
}
