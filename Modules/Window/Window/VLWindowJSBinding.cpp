#include "Modules/Window/Window/VLWindowJSBinding.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Core/Runtime/Rendering/VLRenderingLoop.h"
#include "Core/Runtime/VLRuntime.h"
#include "Core/Runtime/VLRuntimeJSBindingContext.h"
#include "Modules/Window/Component/VLComponentOptions.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cmath>

namespace {

std::shared_ptr<VLRuntime> runtimeOf(const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    auto runtimeContext = std::dynamic_pointer_cast<VLRuntimeJSBindingContext>(bindingContext);
    return runtimeContext ? runtimeContext->runtime() : nullptr;
}

// The number under `name` of an object; nullopt when it is absent, no number or its getter throws.
std::optional<double> numberProperty(JSContextRef ctx, JSObjectRef object, const char* name) {
    JSValueRef value = VLGetJSObjectProperty(ctx, object, name);
    if (!value || !JSValueIsNumber(ctx, value))
        return std::nullopt;
    return JSValueToNumber(ctx, value, nullptr);
}

// An element of a region: an object with four numbers, x and y finite, width and height above 0.
std::optional<VLRect> regionRect(JSContextRef ctx, JSValueRef element) {
    JSObjectRef object = JSValueIsObject(ctx, element) ? JSValueToObject(ctx, element, nullptr) : nullptr;
    if (!object)
        return std::nullopt;
    const std::optional<double> x = numberProperty(ctx, object, "x");
    const std::optional<double> y = numberProperty(ctx, object, "y");
    const std::optional<double> width = numberProperty(ctx, object, "width");
    const std::optional<double> height = numberProperty(ctx, object, "height");
    if (!x || !y || !width || !height || !std::isfinite(*x) || !std::isfinite(*y) || !(*width > 0) ||
        !(*height > 0))
        return std::nullopt;
    return VLRect(*x, *y, *width, *height);
}

} // namespace

void VLWindowJSBinding::describe(VLJSClassBuilder<VLWindowJSBinding>& b) {
    b.getter<"devicePixelRatio", &VLWindowJSBinding::devicePixelRatio>();
    b.property<"parentWindow", &VLWindowJSBinding::parentWindow, &VLWindowJSBinding::setParentWindow>();
    b.property<"hitRegion", &VLWindowJSBinding::region<&VLWindow::hitRegion>,
               &VLWindowJSBinding::setRegion<&VLWindow::setHitRegion>>();
    b.property<"dragRegion", &VLWindowJSBinding::region<&VLWindow::dragRegion>,
               &VLWindowJSBinding::setRegion<&VLWindow::setDragRegion>>();
    b.property<"allowsTiling", &VLWindowJSBinding::allowsTiling, &VLWindowJSBinding::setAllowsTiling>();
    b.getter<"childWindows", &VLWindowJSBinding::childWindows>();
    b.function<"show", &VLWindowJSBinding::show>();
    b.function<"close", &VLWindowJSBinding::close>();
    b.function<"destroy", &VLWindowJSBinding::destroy>();
    b.notImplemented("remove");
    VL_WINDOW_EVENTS(VL_COMPONENT_DESCRIBE_EVENT)
}

// Construction and lifetime

std::shared_ptr<VLComponent> VLWindowJSBinding::makeComponent(const VLDictionary& style,
                                                              const VLDictionary& attributes,
                                                              const VLArray& events) const {
    return VLWindow::create(style, attributes, events);
}

bool VLWindowJSBinding::initWithContext(JSContextRef ctx,
                                        const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                        size_t argc, const JSValueRef argv[], JSValueRef* exception) {
    JSValueRef thrown = nullptr;
    JSValueRef parent = VLComponentGetOption(ctx, argc, argv, "parent", &thrown);
    if (thrown) {
        if (exception)
            *exception = thrown;
        return false;
    }
    if (!Super::initWithContext(ctx, bindingContext, argc, argv, exception))
        return false;
    if (std::shared_ptr<VLRuntime> runtime = runtimeOf(bindingContext)) {
        if (!checkAllowedType(ctx, *runtime, exception) || !checkWindowLimit(ctx, *runtime, exception))
            return false;
    }
    if (auto* parentBinding = VLJSBindingGetObjectOfClass<VLWindowJSBinding>(ctx, parent))
        window().setParentWindow(std::static_pointer_cast<VLWindow>(parentBinding->component()));
    return true;
}

bool VLWindowJSBinding::checkAllowedType(JSContextRef ctx, const VLRuntime& runtime,
                                         JSValueRef* exception) const {
    const std::optional<std::set<std::string>> allowed = runtime.allowedWindowTypes();
    const std::optional<std::string> type = window().type();
    if (!allowed || allowed->contains(type.value_or("panel")))
        return true;
    const std::string window = type ? VLStringWithFormat("a \"%@\"", *type) : std::string("an untyped");
    std::string text = VLStringWithFormat("This content can't make %@ window; its type allows: ", window);
    // The set keeps its types in plain string order.
    for (auto it = allowed->begin(); it != allowed->end(); ++it)
        text += (it == allowed->begin() ? "\"" : ", \"") + *it + "\"";
    VLJSThrowException(ctx, exception, text);
    return false;
}

bool VLWindowJSBinding::checkWindowLimit(JSContextRef ctx, const VLRuntime& runtime, JSValueRef* exception) {
    if (!runtime.restrictsWindows() || runtime.windowCount() < VLRuntimeMaximumWindowCount)
        return true;
    VLJSThrowException(ctx, exception,
                       VLStringWithFormat("This content can have at most %lu windows at once; destroy() the "
                                          "windows it doesn't need any more",
                                          static_cast<unsigned long>(VLRuntimeMaximumWindowCount)));
    return false;
}

void VLWindowJSBinding::didCreateJSObject(JSObjectRef object,
                                          const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    if (!bindingContext || _globalContext)
        return;
    _globalContext = bindingContext->globalCtx();
    VLJSValueProtect(_globalContext, object);
    const std::shared_ptr<VLRuntime> runtime = runtimeOf(bindingContext);
    const std::shared_ptr<VLWindow> window = std::static_pointer_cast<VLWindow>(component());
    window->setRuntime(runtime);
    if (runtime) {
        runtime->setWindowCount(runtime->windowCount() + 1);
        _countedRuntime = runtime;
        if (std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop())
            loop->addPort(window);
        window->setHostArea(runtime->hostArea());
        window->setHostView(runtime->hostView());
    }
    // Posted on the JavaScript thread of the runtime that ends.
    _terminationObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLRuntimeWillTerminateNotification, nullptr,
        [weakSelf = std::weak_ptr(sharedFromThis())](const VLNotification& notification) {
            if (std::shared_ptr<VLWindowJSBinding> self = weakSelf.lock())
                self->runtimeWillTerminate(notification);
        });
}

void VLWindowJSBinding::runtimeWillTerminate(const VLNotification& notification) {
    const auto* context = notification.userInfoValue<JSGlobalContextRef>(VLRuntimeGlobalContextKey);
    if (!context || *context != _globalContext)
        return;
    window().close();
    _uncount();
    release();
}

void VLWindowJSBinding::_uncount() {
    std::shared_ptr<VLRuntime> runtime = std::exchange(_countedRuntime, {}).lock();
    if (runtime && runtime->windowCount() > 0)
        runtime->setWindowCount(runtime->windowCount() - 1);
}

void VLWindowJSBinding::release() {
    if (_released || !_globalContext || !jsObject())
        return;
    _released = true;
    VLJSValueUnprotect(_globalContext, jsObject());
}

void VLWindowJSBinding::willCollectGarbage() {
    Super::willCollectGarbage();
    _uncount();
    const std::shared_ptr<VLWindow> window = std::static_pointer_cast<VLWindow>(component());
    if (std::shared_ptr<VLRuntime> runtime = window->runtime()) {
        if (std::shared_ptr<VLRenderingLoop> loop = runtime->renderingLoop())
            loop->removePort(window);
    }
}

// Script face

JSValueRef VLWindowJSBinding::devicePixelRatio(JSContextRef ctx) {
    std::shared_ptr<VLRuntime> runtime = runtimeOf(bindingContext());
    if (runtime && runtime->devicePixelRatio() > 0)
        return JSValueMakeNumber(ctx, runtime->devicePixelRatio());
    if (window().isViewLoaded())
        return JSValueMakeNumber(ctx, window().devicePixelRatio());
    return JSValueMakeNumber(ctx, static_cast<float>(VLWindow::mainScreenScale()));
}

JSValueRef VLWindowJSBinding::parentWindow(JSContextRef) {
    std::shared_ptr<VLWindow> parent = window().parentWindow();
    std::shared_ptr<VLJSBindingBase> binding = parent ? parent->instance() : nullptr;
    return binding ? binding->jsObject() : nullptr;
}

void VLWindowJSBinding::setParentWindow(JSContextRef ctx, JSValueRef value) {
    if (JSValueIsNull(ctx, value) || JSValueIsUndefined(ctx, value)) {
        window().setParentWindow(nullptr);
    } else if (auto* parent = VLJSBindingGetObjectOfClass<VLWindowJSBinding>(ctx, value)) {
        window().setParentWindow(std::static_pointer_cast<VLWindow>(parent->component()));
    }
}

JSValueRef VLWindowJSBinding::regionValue(JSContextRef ctx, const std::optional<VLWindowRegion>& region) {
    if (!region)
        return nullptr;
    VLArray rects;
    for (const VLRect& rect : *region) {
        rects.emplace_back(VLDictionary{{"x", rect.origin.x},
                                        {"y", rect.origin.y},
                                        {"width", rect.size.width},
                                        {"height", rect.size.height}});
    }
    return VLJSValueFromNSObject(ctx, rects);
}

std::optional<std::optional<VLWindowRegion>> VLWindowJSBinding::regionFromValue(JSContextRef ctx,
                                                                                JSValueRef value) {
    if (JSValueIsNull(ctx, value) || JSValueIsUndefined(ctx, value))
        return std::optional<VLWindowRegion>();
    if (!JSValueIsArray(ctx, value))
        return std::nullopt;
    JSObjectRef array = JSValueToObject(ctx, value, nullptr);
    const double length = array ? VLJSValueToNumberFast(ctx, VLGetJSObjectProperty(ctx, array, "length")) : 0;
    VLWindowRegion region;
    for (unsigned i = 0; i < length; ++i) {
        if (std::optional<VLRect> rect = regionRect(ctx, JSObjectGetPropertyAtIndex(ctx, array, i, nullptr)))
            region.push_back(*rect);
    }
    return std::optional<VLWindowRegion>(std::move(region));
}

JSValueRef VLWindowJSBinding::allowsTiling(JSContextRef ctx) {
    return JSValueMakeBoolean(ctx, window().allowsTiling());
}

void VLWindowJSBinding::setAllowsTiling(JSContextRef ctx, JSValueRef value) {
    window().setAllowsTiling(JSValueToBoolean(ctx, value));
}

JSValueRef VLWindowJSBinding::childWindows(JSContextRef ctx) {
    std::vector<JSValueRef> objects;
    for (const std::shared_ptr<VLWindow>& child : window().childWindows()) {
        std::shared_ptr<VLJSBindingBase> binding = child->instance();
        if (JSObjectRef object = binding ? binding->jsObject() : nullptr)
            objects.push_back(object);
    }
    return JSObjectMakeArray(ctx, objects.size(), objects.data(), nullptr);
}

JSValueRef VLWindowJSBinding::show(JSContextRef ctx, size_t, const JSValueRef[], JSValueRef* exception) {
    if (_destroyed) {
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("This window was destroyed; make a new one to show it again"));
        return nullptr;
    }
    window().show();
    return nullptr;
}

JSValueRef VLWindowJSBinding::close(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    window().close();
    return nullptr;
}

JSValueRef VLWindowJSBinding::destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                      JSValueRef* exception) {
    _destroyed = true;
    window().destroy();
    _uncount();
    release();
    Super::destroy(ctx, argc, argv, exception);
    removeAllSubcomponents();
    return nullptr;
}
