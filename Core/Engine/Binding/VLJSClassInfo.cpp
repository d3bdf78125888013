#include "Core/Engine/Binding/VLJSClassInfo.h"

#include <algorithm>

VLJSClassInfo::VLJSClassInfo(std::type_index type, std::string name, const VLJSClassInfo* superclass,
                             Construction construction)
    : _type(type), _name(std::move(name)), _superclass(superclass), _construction(construction) {}

VLJSClassInfo::~VLJSClassInfo() {
    for (const Constant& constant : _constants) {
        JSStringRelease(constant.name);
        if (constant.string)
            JSStringRelease(constant.string);
    }
    if (_jsClass)
        JSClassRelease(_jsClass);
}

const VLJSClassInfo::Function* VLJSClassInfo::function(std::string_view name) const {
    auto found = _functions.find(name);
    return found == _functions.end() ? nullptr : &found->second;
}

const VLJSClassInfo::Property* VLJSClassInfo::property(std::string_view name) const {
    auto found = _properties.find(name);
    return found == _properties.end() ? nullptr : &found->second;
}

bool VLJSClassInfo::hasEventProperty(std::string_view name) const {
    return _eventProperties.find(name) != _eventProperties.end();
}

bool VLJSClassInfo::isKindOf(const VLJSClassInfo& other) const {
    for (const VLJSClassInfo* info = this; info; info = info->_superclass) {
        if (info == &other)
            return true;
    }
    return false;
}

void VLJSClassInfo::defineConstants(JSContextRef ctx, JSObjectRef object) const {
    const JSPropertyAttributes attributes = kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete;
    for (const Constant& constant : _constants) {
        JSValueRef value = constant.string ? JSValueMakeString(ctx, constant.string)
                                           : JSValueMakeNumber(ctx, constant.number);
        JSObjectSetProperty(ctx, object, constant.name, value, attributes, nullptr);
    }
}

void VLJSClassInfo::addFunction(std::string_view name, Function function) {
    if (_functions.try_emplace(std::string(name), function).second)
        _functionOrder.emplace_back(name);
}

void VLJSClassInfo::addProperty(std::string_view name, Property property) {
    if (_properties.try_emplace(std::string(name), property).second)
        _propertyOrder.emplace_back(name);
}

void VLJSClassInfo::addEventProperty(std::string_view name, JSObjectGetPropertyCallback getter,
                                     JSObjectSetPropertyCallback setter) {
    if (_eventProperties.try_emplace(std::string(name), EventProperty{getter, setter}).second)
        _eventPropertyOrder.emplace_back(name);
}

void VLJSClassInfo::addConstant(std::string_view name, const VLValue& value) {
    auto same = [&](const Constant& constant) { return constant.key == name; };
    if (std::any_of(_constants.begin(), _constants.end(), same))
        return;
    Constant constant{std::string(name), nullptr, value.doubleValue(), nullptr};
    constant.name = JSStringCreateWithUTF8CString(constant.key.c_str());
    if (value.isString())
        constant.string = JSStringCreateWithUTF8CString(value.stringValue().c_str());
    _constants.push_back(std::move(constant));
}

void VLJSClassInfo::finish(JSClassRef parentClass, JSObjectFinalizeCallback finalize) {
    std::vector<JSStaticValue> values;
    for (const std::string& name : _propertyOrder) {
        const Property& property = _properties.at(name);
        JSPropertyAttributes attributes = kJSPropertyAttributeDontDelete;
        if (!property.setter)
            attributes |= kJSPropertyAttributeReadOnly;
        values.push_back({name.c_str(), property.getter, property.setter, attributes});
    }
    for (const std::string& name : _eventPropertyOrder) {
        const EventProperty& property = _eventProperties.at(name);
        values.push_back({name.c_str(), property.getter, property.setter, kJSPropertyAttributeDontDelete});
    }
    values.push_back({nullptr, nullptr, nullptr, 0});

    // Implemented functions first, then the ones that are only listed.
    std::vector<JSStaticFunction> functions;
    for (bool implemented : {true, false}) {
        for (const std::string& name : _functionOrder) {
            const Function& function = _functions.at(name);
            if ((function.invoke != nullptr) == implemented)
                functions.push_back({name.c_str(), function.callback, kJSPropertyAttributeDontDelete});
        }
    }
    functions.push_back({nullptr, nullptr, 0});

    JSClassDefinition definition = kJSClassDefinitionEmpty;
    definition.className = _name.c_str();
    definition.parentClass = parentClass;
    definition.staticValues = values.data();
    definition.staticFunctions = functions.data();
    definition.finalize = finalize;
    _jsClass = JSClassCreate(&definition);
}
