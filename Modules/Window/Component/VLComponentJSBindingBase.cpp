#include "Modules/Window/Component/VLComponentJSBindingBase.h"

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Binding/VLJSBindingFunctions.h"
#include "Core/Engine/JS/VLJSException.h"
#include "Core/Engine/JS/VLJSValueBridge.h"
#include "Modules/Window/Component/VLComponent.h"
#include "Modules/Window/Component/VLComponentOptions.h"
#include "Modules/Window/Style/VLComponentStyleJSBinding.h"
#include "Modules/Window/Style/VLComponentStyleJSValue.h"
#include "Platform/Foundation/VLNumberFormat.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <cmath>

void VLComponentJSBindingBase::describe(VLJSClassBuilder<VLComponentJSBindingBase>& b) {
    b.getter<"identifier", &VLComponentJSBindingBase::identifier>();
    b.property<"style", &VLComponentJSBindingBase::style, &VLComponentJSBindingBase::setStyle>();
    b.getter<"width", &VLComponentJSBindingBase::width>();
    b.getter<"height", &VLComponentJSBindingBase::height>();
    b.getter<"children", &VLComponentJSBindingBase::children>();
    b.function<"appendChild", &VLComponentJSBindingBase::appendChild>();
    b.function<"removeChild", &VLComponentJSBindingBase::removeChild>();
    b.function<"remove", &VLComponentJSBindingBase::remove>();
    b.function<"destroy", &VLComponentJSBindingBase::destroy>();
    VL_COMPONENT_EVENTS(VL_COMPONENT_DESCRIBE_EVENT)
}

// Construction and lifetime

bool VLComponentJSBindingBase::initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                               JSValueRef* exception) {
    JSValueRef thrown = nullptr;
    const std::optional<VLDictionary> style =
        VLComponentStyleFromJSValue(ctx, VLComponentGetOption(ctx, argc, argv, "style", &thrown));
    const VLValue events = VLComponentConvertedOption(ctx, argc, argv, "events", &thrown);
    VLDictionary attributes;
    for (const char* name : attributeOptionNames()) {
        VLValue option = VLComponentConvertedOption(ctx, argc, argv, name, &thrown);
        if (!option.isNil())
            attributes.set(name, std::move(option));
    }
    if (thrown) {
        if (exception)
            *exception = thrown;
        return false;
    }
    _component = makeComponent(style.value_or(VLDictionary()), attributes,
                               events.isArray() ? events.arrayValue() : VLArray());
    const std::shared_ptr<VLComponentJSBindingBase> self = sharedFromThis();
    _component->setInstance(self);
    _component->setEventDelegate(self);
    _styleBinding = std::make_shared<VLComponentStyleJSBinding>(self);
    return true;
}

std::shared_ptr<VLComponent> VLComponentJSBindingBase::makeComponent(const VLDictionary& style,
                                                                     const VLDictionary& attributes,
                                                                     const VLArray& events) const {
    return VLComponent::create(style, attributes, events);
}

void VLComponentJSBindingBase::didCreateJSObject(JSObjectRef object,
                                                 const std::shared_ptr<VLJSBindingContext>& bindingContext) {
    Super::didCreateJSObject(object, bindingContext);
    if (!_styleBinding || !bindingContext || _styleBinding->jsObject())
        return;
    JSGlobalContextRef ctx = bindingContext->globalCtx();
    VLJSValueProtect(ctx, createJSObjectWithContext(ctx, bindingContext, _styleBinding));
}

void VLComponentJSBindingBase::willCollectGarbage() {
    Super::willCollectGarbage();
    if (_styleBinding) {
        if (std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext())
            VLJSValueUnprotect(bindingContext->globalCtx(), _styleBinding->jsObject());
        _styleBinding.reset();
    }
    removeAllSubcomponents();
    removeFromParent();
}

void VLComponentJSBindingBase::protectJSObject(bool protect) const {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    JSObjectRef object = jsObject();
    if (!bindingContext || !object)
        return;
    if (protect)
        VLJSValueProtect(bindingContext->globalCtx(), object);
    else
        VLJSValueUnprotect(bindingContext->globalCtx(), object);
}

std::vector<std::shared_ptr<VLComponentJSBindingBase>>
VLComponentJSBindingBase::subcomponentBindings() const {
    std::vector<std::shared_ptr<VLComponentJSBindingBase>> bindings;
    for (const std::shared_ptr<VLComponent>& child : _component->subcomponents()) {
        if (auto binding = std::dynamic_pointer_cast<VLComponentJSBindingBase>(child->instance()))
            bindings.push_back(std::move(binding));
    }
    return bindings;
}

// Script face

JSValueRef VLComponentJSBindingBase::identifier(JSContextRef ctx) {
    return VLJSValueFromNSString(ctx, _component->identifier());
}

JSValueRef VLComponentJSBindingBase::style(JSContextRef) {
    return _styleBinding ? _styleBinding->jsObject() : nullptr;
}

void VLComponentJSBindingBase::setStyle(JSContextRef ctx, JSValueRef value) {
    if (std::optional<VLDictionary> style = VLComponentStyleFromJSValue(ctx, value))
        _component->updateStyle(*style);
}

JSValueRef VLComponentJSBindingBase::width(JSContextRef ctx) {
    _component->layoutIfNeeded();
    return JSValueMakeNumber(ctx, _component->frame().size.width);
}

JSValueRef VLComponentJSBindingBase::height(JSContextRef ctx) {
    _component->layoutIfNeeded();
    return JSValueMakeNumber(ctx, _component->frame().size.height);
}

JSValueRef VLComponentJSBindingBase::children(JSContextRef ctx) {
    std::vector<JSValueRef> objects;
    for (const std::shared_ptr<VLComponentJSBindingBase>& child : subcomponentBindings()) {
        if (JSObjectRef object = child->jsObject())
            objects.push_back(object);
    }
    return JSObjectMakeArray(ctx, objects.size(), objects.data(), nullptr);
}

namespace {

// "<VLComponent: 0x…>": the native class and the address.
std::string descriptionOf(const VLComponent& component) {
    return VLStringWithFormat("<%@: %p>", component.className(), static_cast<const void*>(&component));
}

} // namespace

VLComponentJSBindingBase* VLComponentJSBindingBase::childArgument(JSContextRef ctx, size_t argc,
                                                                  const JSValueRef argv[],
                                                                  const char* function,
                                                                  JSValueRef* exception) {
    if (argc < 1 || !JSValueIsObject(ctx, argv[0]))
        return nullptr;
    VLComponentJSBindingBase* child = VLJSBindingGetObjectOfClass<VLComponentJSBindingBase>(ctx, argv[0]);
    if (!child) {
        VLJSThrowException(
            ctx, exception,
            VLStringWithFormat("CALL FUNCTION '%@', first parameter must be a component", function));
    } else if (child == this) {
        VLJSThrowException(
            ctx, exception,
            VLStringWithFormat("CALL FUNCTION '%@', first parameter must not be self", function));
        return nullptr;
    }
    return child;
}

JSValueRef VLComponentJSBindingBase::appendChild(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                 JSValueRef* exception) {
    VLComponentJSBindingBase* child = childArgument(ctx, argc, argv, "appendChild", exception);
    if (!child)
        return nullptr;
    const std::shared_ptr<VLComponent>& childComponent = child->component();
    if (!childComponent->canBecomeSubcomponent(_component.get())) {
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("CALL FUNCTION 'appendChild', %@ can't add %@",
                                              classInfo().name(), child->classInfo().name()));
        return nullptr;
    }
    if (!_component->canNestWithinMaximumDepth(*childComponent)) {
        VLJSThrowException(
            ctx, exception,
            VLStringWithFormat("RangeError: appendChild would nest components deeper than %lu levels",
                               VLComponent::kMaximumDepth));
        return nullptr;
    }
    int64_t index = -1;
    if (argc > 1 && JSValueIsNumber(ctx, argv[1])) {
        const double position = JSValueToNumber(ctx, argv[1], nullptr);
        // A child moving within this component leaves its own place first.
        const size_t count = _component->subcomponentCount() - (childComponent->parent() == _component);
        if (position != -1 &&
            !(position >= 0 && position <= double(count) && std::trunc(position) == position)) {
            VLJSThrowException(ctx, exception,
                               VLStringWithFormat("RangeError: appendChild index %@ is out of range 0...%lu",
                                                  VLNumberFormat::shortest(position), count));
            return nullptr;
        }
        index = int64_t(position);
    }
    const bool hadParent = childComponent->parent() != nullptr;
    _component->addComponent(childComponent, index);
    // Held for the parent once attached; an ancestor refused as a child stays as it was.
    if (!hadParent && childComponent->parent())
        child->protectJSObject(true);
    return nullptr;
}

JSValueRef VLComponentJSBindingBase::removeChild(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                                 JSValueRef* exception) {
    VLComponentJSBindingBase* child = childArgument(ctx, argc, argv, "removeChild", exception);
    if (!child)
        return nullptr;
    if (child->component()->parent() != _component) {
        VLJSThrowException(ctx, exception,
                           VLStringWithFormat("CALL FUNCTION 'removeChild', %@ is not %@ children",
                                              descriptionOf(*child->component()),
                                              descriptionOf(*_component)));
        return nullptr;
    }
    child->removeFromParent();
    return nullptr;
}

JSValueRef VLComponentJSBindingBase::remove(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    removeFromParent();
    return nullptr;
}

void VLComponentJSBindingBase::removeFromParent() {
    if (!_component->parent())
        return;
    protectJSObject(false);
    _component->removeFromParent();
}

void VLComponentJSBindingBase::removeAllSubcomponents() {
    for (const std::shared_ptr<VLComponentJSBindingBase>& child : subcomponentBindings())
        child->removeFromParent();
}

JSValueRef VLComponentJSBindingBase::destroy(JSContextRef, size_t, const JSValueRef[], JSValueRef*) {
    destroySubtree();
    return nullptr;
}

void VLComponentJSBindingBase::destroySubtree() {
    for (const std::shared_ptr<VLComponentJSBindingBase>& child : subcomponentBindings())
        child->destroySubtree();
    removeAllListeners();
    removeAllCallbacks();
}

// Events

void VLComponentJSBindingBase::addListenerForType(std::string_view type, JSContextRef ctx,
                                                  JSValueRef listener, JSValueRef* exception) {
    Super::addListenerForType(type, ctx, listener, exception);
    _updateNativeEventForType(type);
}

void VLComponentJSBindingBase::removeListenerForType(std::string_view type, JSContextRef ctx,
                                                     JSObjectRef listener) {
    Super::removeListenerForType(type, ctx, listener);
    _updateNativeEventForType(type);
}

void VLComponentJSBindingBase::setCallbackForType(std::string_view type, JSContextRef ctx,
                                                  JSValueRef callback, JSValueRef* exception) {
    Super::setCallbackForType(type, ctx, callback, exception);
    _updateNativeEventForType(type);
}

void VLComponentJSBindingBase::removeCallbackForType(std::string_view type, JSContextRef ctx) {
    Super::removeCallbackForType(type, ctx);
    _updateNativeEventForType(type);
}

void VLComponentJSBindingBase::_updateNativeEventForType(std::string_view type) {
    const std::string event = eventFromType(type);
    if (event.empty())
        return;
    const bool has = hasHandlersForType(event);
    const bool on = _nativeEvents.contains(event);
    if (has && !on) {
        _nativeEvents.insert(event);
        _component->addEvent(event);
    } else if (!has && on) {
        _nativeEvents.erase(event);
        _component->removeEvent(event);
    }
}

void VLComponentJSBindingBase::component(VLComponent&, const std::string& name, const VLDictionary& params) {
    std::shared_ptr<VLJSBindingContext> bindingContext = this->bindingContext();
    if (!bindingContext)
        return;
    std::weak_ptr<VLComponentJSBindingBase> weakSelf = sharedFromThis();
    const bool passesArgument = !params.empty() || passesEmptyDetails(name);
    VLJSBindingPerformBlockOnThread(bindingContext, [weakSelf, name, params, passesArgument] {
        std::shared_ptr<VLComponentJSBindingBase> self = weakSelf.lock();
        std::shared_ptr<VLJSBindingContext> bindingContext = self ? self->bindingContext() : nullptr;
        JSGlobalContextRef ctx = bindingContext ? bindingContext->globalCtx() : nullptr;
        if (!ctx)
            return;
        if (!passesArgument) {
            self->triggerEvent(name);
            return;
        }
        JSValueRef argument = VLJSValueFromNSObject(ctx, params);
        self->triggerEvent(name, 1, &argument);
    });
}

// The style object's side

VLDictionary VLComponentJSBindingBase::componentStyle() const {
    return _component->style();
}

void VLComponentJSBindingBase::componentStyleUpdate(const VLDictionary& style) {
    _component->updateStyle(style);
}
