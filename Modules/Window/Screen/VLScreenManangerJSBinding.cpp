#include "Modules/Window/Screen/VLScreenManangerJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Modules/Window/Screen/VLScreen.h"
#include "Modules/Window/Screen/VLScreenJSBinding.h"
#include "Modules/Window/Screen/VLScreenManager.h"

#include <vector>

void VLScreenManangerJSBinding::didCreateJSObject(JSObjectRef object,
                                                  const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    std::shared_ptr<VLScreenObserver> observer = sharedFromThis();
    VLScreenManager::sharedInstance()->registerScreenObserver(observer);
}

void VLScreenManangerJSBinding::screenDidChanged() {
    std::shared_ptr<VLJSBindingContext> context = bindingContext();
    if (!context)
        return;
    VLJSBindingPerformBlockOnThread(context, [weakSelf = std::weak_ptr(sharedFromThis())] {
        if (std::shared_ptr<VLScreenManangerJSBinding> self = weakSelf.lock())
            self->triggerEvent("change");
    });
}

JSValueRef VLScreenManangerJSBinding::mainScreen(JSContextRef ctx) {
    return VLScreenJSBinding::objectForScreen(ctx, bindingContext(),
                                              VLScreenManager::sharedInstance()->mainScreen());
}

JSValueRef VLScreenManangerJSBinding::screens(JSContextRef ctx) {
    std::vector<JSValueRef> objects;
    for (std::shared_ptr<VLScreen>& screen : VLScreenManager::sharedInstance()->screens())
        objects.push_back(VLScreenJSBinding::objectForScreen(ctx, bindingContext(), std::move(screen)));
    return JSObjectMakeArray(ctx, objects.size(), objects.data(), nullptr);
}
