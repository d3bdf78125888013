#pragma once

#include "Core/Engine/Binding/VLJSMemberTable.h"
#include "Platform/Foundation/VLValue.h"

#include <JavaScriptCore/JavaScript.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
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

// What the class loader made of one binding class: its JavaScript class and the tables behind it. A
// class starts from its superclass's members (each keeps its slot) and adds or overrides its own.
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
    struct EventProperty {
        JSObjectGetPropertyCallback getter;
        JSObjectSetPropertyCallback setter;
    };
    struct Constant {
        double number;
        // Set for a string constant.
        std::optional<std::string> string;
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

    // The most derived registration of a name; nullptr when there is none.
    const Function* function(std::string_view name) const { return _functions.find(name); }
    const Property* property(std::string_view name) const { return _properties.find(name); }
    bool hasEventProperty(std::string_view name) const { return _eventProperties.contains(name); }
    // By slot, for classes derived from the one that registered the member.
    const Function& functionAt(uint32_t slot) const { return _functions[slot]; }
    const Property& propertyAt(uint32_t slot) const { return _properties[slot]; }

    // True for this class and every class derived from it.
    bool isKindOf(const VLJSClassInfo& other) const {
        return other._depth < _ancestors.size() && _ancestors[other._depth] == &other;
    }

    // Sets every constant on the object, read-only and undeletable.
    void defineConstants(JSContextRef ctx, JSObjectRef object) const;

    // Building, used by VLJSClassBuilder. Each returns the member's slot, or nothing when the class
    // registered the name already (its first registration stands). A name may be only one kind of
    // member: registering it as another kind ends the process with a message naming the class.
    std::optional<uint32_t> addFunction(std::string_view name, Function function);
    std::optional<uint32_t> addProperty(std::string_view name, Property property);
    void addEventProperty(std::string_view name, EventProperty property);
    void addConstant(std::string_view name, const VLValue& value);
    // Room for `count` more constants, before a long table of them.
    void reserveConstants(size_t count);
    // Creates the JavaScript class from what was added; nothing may be added afterwards.
    void finish(JSClassRef parentClass, JSObjectFinalizeCallback finalize);

private:
    enum class Kind { function, property, eventProperty, constant };
    struct NameHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    struct ConstantDefinition {
        JSStringRef name;
        double number;
        // nullptr for a number.
        JSStringRef string;
    };

    // Records the kind of a name; ends the process when the name is already a member of another kind.
    void checkKind(std::string_view name, Kind kind);

    std::type_index _type;
    std::string _name;
    const VLJSClassInfo* _superclass;
    Construction _construction;
    // The chain from the root class down to this one; its index is a class's depth.
    std::vector<const VLJSClassInfo*> _ancestors;
    size_t _depth;
    JSClassRef _jsClass = nullptr;
    VLJSMemberTable<Function> _functions;
    VLJSMemberTable<Property> _properties;
    VLJSMemberTable<EventProperty> _eventProperties;
    VLJSMemberTable<Constant> _constants;
    // The kind of every name of the four tables.
    std::unordered_map<std::string, Kind, NameHash, std::equal_to<>> _kinds;
    std::vector<ConstantDefinition> _constantDefinitions; // made by finish(), in presentation order
};

// The class information of T once the loader has built it, for lock-free reads on hot paths.
template <typename T>
inline std::atomic<const VLJSClassInfo*> VLJSClassInfoOf{nullptr};
