#pragma once

#include "Core/Engine/Binding/VLEventedJSBindingBase.h"
#include "Modules/Window/Component/VLComponentEventDelegate.h"
#include "Modules/Window/Style/VLComponentStyleJSBindingDelegate.h"

#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class VLComponent;
class VLComponentStyleJSBinding;

// The events of every component, each with its handler property "on…" and its function "off…".
#define VL_COMPONENT_EVENTS(EVENT)                                                                           \
    EVENT("framechange")                                                                                     \
    EVENT("click")                                                                                           \
    EVENT("dblclick")                                                                                        \
    EVENT("mousedown")                                                                                       \
    EVENT("mouseup")                                                                                         \
    EVENT("mouseenter")                                                                                      \
    EVENT("mouseleave")                                                                                      \
    EVENT("mousemove")                                                                                       \
    EVENT("wheel")

#define VL_COMPONENT_DESCRIBE_EVENT(name) b.eventHandlerWithOff<name>();

// "Component", and the base of every component binding: it owns one native component and its
// "ComponentStyle" object, turns appendChild, removeChild, remove and destroy into tree operations,
// keeps the script objects of attached components alive, has the component deliver only the events
// that scripts handle, and hands them to scripts. A subclass makes its own kind of component and copies
// its own constructor options into the component's attributes.
//
// JavaScript thread only, but for component(), which the component calls on the main thread.
class VLComponentJSBindingBase : public VLJSBinding<VLComponentJSBindingBase, VLEventedJSBindingBase>,
                                 public VLComponentEventDelegate,
                                 public VLComponentStyleJSBindingDelegate {
public:
    static std::string bindingClassName() { return "Component"; }

    using Super::initWithContext;
    // Reads the options "style", "events" and the subclass's attribute options; what a getter throws
    // refuses the construction.
    bool initWithContext(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                         JSValueRef* exception) override;
    void didCreateJSObject(JSObjectRef object,
                           const std::shared_ptr<VLJSBindingContext>& bindingContext) override;
    // Detaches the subtree and the component.
    void willCollectGarbage() override;

    const std::shared_ptr<VLComponent>& component() const { return _component; }

    // Script face.
    JSValueRef identifier(JSContextRef ctx);
    JSValueRef style(JSContextRef ctx);
    // A plain object replaces the whole style; any other value changes nothing.
    void setStyle(JSContextRef ctx, JSValueRef value);
    JSValueRef width(JSContextRef ctx);
    JSValueRef height(JSContextRef ctx);
    JSValueRef children(JSContextRef ctx);
    JSValueRef appendChild(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef removeChild(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    JSValueRef remove(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    // Drops the script callbacks of the whole subtree; the component stays where it is.
    JSValueRef destroy(JSContextRef ctx, size_t argc, const JSValueRef argv[], JSValueRef* exception);
    static void describe(VLJSClassBuilder<VLComponentJSBindingBase>& b);

    // Handler and listener changes switch the native event.
    void addListenerForType(std::string_view type, JSContextRef ctx, JSValueRef listener,
                            JSValueRef* exception) override;
    void removeListenerForType(std::string_view type, JSContextRef ctx, JSObjectRef listener) override;
    void setCallbackForType(std::string_view type, JSContextRef ctx, JSValueRef callback,
                            JSValueRef* exception) override;
    void removeCallbackForType(std::string_view type, JSContextRef ctx) override;

    // From the component, on any thread: performed on the JavaScript thread while this binding lives.
    void component(VLComponent& component, const std::string& name, const VLDictionary& params) override;

    VLDictionary componentStyle() const override;
    void componentStyleUpdate(const VLDictionary& style) override;

    void removeAllSubcomponents();

protected:
    // The native component that the constructor makes; subclasses make their own kind.
    virtual std::shared_ptr<VLComponent>
    makeComponent(const VLDictionary& style, const VLDictionary& attributes, const VLArray& events) const;
    // The constructor options copied into the component's attributes.
    virtual std::vector<const char*> attributeOptionNames() const { return {}; }
    // Whether the event reaches scripts as an empty object when it has no details, rather than with no
    // argument at all; any thread.
    virtual bool passesEmptyDetails(const std::string&) const { return false; }
    // Keeps the script object from collection, or lets it go; nothing without object or context.
    void protectJSObject(bool protect) const;

private:
    // The component that appendChild or removeChild works on; nullptr when there is none, after storing
    // the error for an object that is no component or is this one.
    VLComponentJSBindingBase* childArgument(JSContextRef ctx, size_t argc, const JSValueRef argv[],
                                            const char* function, JSValueRef* exception);
    void _updateNativeEventForType(std::string_view type);
    // Detaches the component, letting its script object go when it was held for the parent.
    void removeFromParent();
    void destroySubtree();
    // The bindings of the subcomponents, in order.
    std::vector<std::shared_ptr<VLComponentJSBindingBase>> subcomponentBindings() const;

    std::shared_ptr<VLComponent> _component;
    std::set<std::string> _nativeEvents;
    std::shared_ptr<VLComponentStyleJSBinding> _styleBinding;
};
