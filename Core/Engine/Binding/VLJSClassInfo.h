#pragma once

#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <vector>

class VLJSBindingBase;
class VLJSBindingContext;

// Calls a binding method on an instance of the class that registered it.
using VLJSFunctionInvoke = JSValueRef (*)(VLJSBindingBase* instance, JSContextRef ctx, size_t argc,
                                          const JSValueRef argv[], JSValueRef* exception);
using VLJSGetterInvoke = JSValueRef (*)(VLJSBindingBase* instance, JSContextRef ctx, JSValueRef* exception);
using VLJSSetterInvoke = void (*)(VLJSBindingBase* instance, JSContextRef ctx, JSValueRef value,
                                  JSValueRef* exception);
using VLJSValidateConstruction = void (*)(JSContextRef ctx,
                                          const std::shared_ptr<VLJSBindingContext>& bindingContext,
                                          size_t argc, const JSValueRef argv[], JSValueRef* exception);
using VLJSAllocateInstance = std::shared_ptr<VLJSBindingBase> (*)();

// What the class loader made of one binding class: its JavaScript class and the tables behind it.
// Built once per process by VLJSClassLoader, then immutable and shared by every thread.
class VLJSClassInfo {
public:
    struct Function {
        JSObjectCallAsFunctionCallback callback;
        // nullptr for a function that is listed but not implemented.
        VLJSFunctionInvoke invoke;
    };
    struct Property {
        JSObjectGetPropertyCallback getter;
        JSObjectSetPropertyCallback setter;
        VLJSGetterInvoke get;
        // nullptr for a read-only property.
        VLJSSetterInvoke set;
    };
    struct Construction {
        VLJSValidateConstruction validate = nullptr;
        // nullptr when scripts cannot construct the class.
        VLJSAllocateInstance allocate = nullptr;
        bool singleton = false;
    };

    VLJSClassInfo(std::type_index type, std::string name, const VLJSClassInfo* superclass,
                  Construction construction);
    ~VLJSClassInfo();
    VLJSClassInfo(const VLJSClassInfo&) = delete;
    VLJSClassInfo& operator=(const VLJSClassInfo&) = delete;

    std::type_index type() const { return _type; }
    // The JavaScript class name.
    const std::string& name() const { return _name; }
    JSClassRef jsClass() const { return _jsClass; }
    const VLJSClassInfo* superclass() const { return _superclass; }
    const Construction& construction() const { return _construction; }

    // The registration of a name in this class, the most derived one; nullptr when there is none.
    const Function* function(std::string_view name) const;
    const Property* property(std::string_view name) const;
    bool hasEventProperty(std::string_view name) const;

    // True for this class and every class derived from it.
    bool isKindOf(const VLJSClassInfo& other) const;

    // Sets every constant on the object, read-only and undeletable.
    void defineConstants(JSContextRef ctx, JSObjectRef object) const;

    // Building, used by VLJSClassBuilder while the loader holds its lock. Each adds the name unless
    // it is already there, so the first (most derived) registration wins.
    void addFunction(std::string_view name, Function function);
    void addProperty(std::string_view name, Property property);
    void addEventProperty(std::string_view name, JSObjectGetPropertyCallback getter,
                          JSObjectSetPropertyCallback setter);
    void addConstant(std::string_view name, const VLValue& value);
    // Creates the JavaScript class from what was added; nothing may be added afterwards.
    void finish(JSClassRef parentClass, JSObjectFinalizeCallback finalize);

private:
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    template <typename Value>
    using NameMap = std::unordered_map<std::string, Value, NameHash, std::equal_to<>>;
    struct EventProperty {
        JSObjectGetPropertyCallback getter;
        JSObjectSetPropertyCallback setter;
    };
    struct Constant {
        std::string key;
        JSStringRef name;
        double number;
        // nullptr for a number.
        JSStringRef string;
    };

    std::type_index _type;
    std::string _name;
    const VLJSClassInfo* _superclass;
    Construction _construction;
    JSClassRef _jsClass = nullptr;
    // Registration order is kept: it is the order of the class's static tables.
    std::vector<std::string> _functionOrder, _propertyOrder, _eventPropertyOrder;
    NameMap<Function> _functions;
    NameMap<Property> _properties;
    NameMap<EventProperty> _eventProperties;
    std::vector<Constant> _constants;
};

// The class information of T once the loader has built it, for lock-free reads on hot paths.
template <typename T>
inline std::atomic<const VLJSClassInfo*> VLJSClassInfoOf{nullptr};
