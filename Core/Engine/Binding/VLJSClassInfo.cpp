#include "Core/Engine/Binding/VLJSClassInfo.h"

#include <cstdio>
#include <cstdlib>

namespace {

const char* kindName(int kind) {
    static const char* const names[] = {"function", "property", "event handler property", "constant"};
    return names[kind];
}

} // namespace

VLJSClassInfo::VLJSClassInfo(std::type_index type, std::string name, const VLJSClassInfo* superclass,
                             Construction construction)
    : _type(type), _name(std::move(name)), _superclass(superclass), _construction(construction) {
    if (superclass) {
        _ancestors = superclass->_ancestors;
        _functions.inherit(superclass->_functions);
        _properties.inherit(superclass->_properties);
        _eventProperties.inherit(superclass->_eventProperties);
        _constants.inherit(superclass->_constants);
        _kinds = superclass->_kinds;
    }
    _depth = _ancestors.size();
    _ancestors.push_back(this);
}

VLJSClassInfo::~VLJSClassInfo() {
    for (const ConstantDefinition& constant : _constantDefinitions) {
        JSStringRelease(constant.name);
        if (constant.string)
            JSStringRelease(constant.string);
    }
    if (_jsClass)
        JSClassRelease(_jsClass);
}

void VLJSClassInfo::defineConstants(JSContextRef ctx, JSObjectRef object) const {
    const JSPropertyAttributes attributes = kJSPropertyAttributeReadOnly | kJSPropertyAttributeDontDelete;
    for (const ConstantDefinition& constant : _constantDefinitions) {
        JSValueRef value = constant.string ? JSValueMakeString(ctx, constant.string)
                                           : JSValueMakeNumber(ctx, constant.number);
        JSObjectSetProperty(ctx, object, constant.name, value, attributes, nullptr);
    }
}

void VLJSClassInfo::checkKind(std::string_view name, Kind kind) {
    auto [known, added] = _kinds.try_emplace(std::string(name), kind);
    if (added || known->second == kind)
        return;
    // A script would see only one of the two: a mistake in the class's declarations.
    std::fprintf(stderr, "Velto: binding class %s declares `%.*s` as a %s and as a %s\n", _name.c_str(),
                 int(name.size()), name.data(), kindName(int(known->second)), kindName(int(kind)));
    std::abort();
}

std::optional<uint32_t> VLJSClassInfo::addFunction(std::string_view name, Function function) {
    checkKind(name, Kind::function);
    return _functions.add(name, function);
}

std::optional<uint32_t> VLJSClassInfo::addProperty(std::string_view name, Property property) {
    checkKind(name, Kind::property);
    return _properties.add(name, property);
}

void VLJSClassInfo::addEventProperty(std::string_view name, EventProperty property) {
    checkKind(name, Kind::eventProperty);
    _eventProperties.add(name, property);
}

void VLJSClassInfo::addConstant(std::string_view name, const VLValue& value) {
    checkKind(name, Kind::constant);
    Constant constant{value.doubleValue(), std::nullopt};
    if (value.isString())
        constant.string = value.stringValue();
    _constants.add(name, std::move(constant));
}

void VLJSClassInfo::reserveConstants(size_t count) {
    _constants.reserve(count);
    _kinds.reserve(_kinds.size() + count);
}

void VLJSClassInfo::finish(JSClassRef parentClass, JSObjectFinalizeCallback finalize) {
    std::vector<JSStaticValue> values;
    for (uint32_t slot : _properties.order()) {
        const Property& property = _properties[slot];
        JSPropertyAttributes attributes = kJSPropertyAttributeDontDelete;
        if (!property.setter)
            attributes |= kJSPropertyAttributeReadOnly;
        values.push_back({_properties.nameAt(slot).c_str(), property.getter, property.setter, attributes});
    }
    for (uint32_t slot : _eventProperties.order()) {
        const EventProperty& property = _eventProperties[slot];
        values.push_back({_eventProperties.nameAt(slot).c_str(), property.getter, property.setter,
                          kJSPropertyAttributeDontDelete});
    }
    values.push_back({nullptr, nullptr, nullptr, 0});

    // Implemented functions first, then the ones that are only listed.
    std::vector<JSStaticFunction> functions;
    const std::vector<uint32_t> functionOrder = _functions.order();
    for (bool implemented : {true, false}) {
        for (uint32_t slot : functionOrder) {
            const Function& function = _functions[slot];
            if ((function.invoke != nullptr) == implemented)
                functions.push_back(
                    {_functions.nameAt(slot).c_str(), function.callback, kJSPropertyAttributeDontDelete});
        }
    }
    functions.push_back({nullptr, nullptr, 0});

    for (uint32_t slot : _constants.order()) {
        const Constant& constant = _constants[slot];
        _constantDefinitions.push_back(
            {JSStringCreateWithUTF8CString(_constants.nameAt(slot).c_str()), constant.number,
             constant.string ? JSStringCreateWithUTF8CString(constant.string->c_str()) : nullptr});
    }

    JSClassDefinition definition = kJSClassDefinitionEmpty;
    definition.className = _name.c_str();
    definition.parentClass = parentClass;
    definition.staticValues = values.data();
    definition.staticFunctions = functions.data();
    definition.finalize = finalize;
    _jsClass = JSClassCreate(&definition);
}
