#include "Core/Engine/KeyValue/VLObjCProperty.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <glib.h>

namespace {

// The name with its first character upper-cased, split into that character and the rest.
std::pair<std::string, std::string_view> capitalized(std::string_view name) {
    if (name.empty()) {
        return {};
    }
    const char* rest = g_utf8_find_next_char(name.data(), name.data() + name.size());
    size_t firstLength = rest ? size_t(rest - name.data()) : name.size();
    gchar* upper = g_utf8_strup(name.data(), gssize(firstLength));
    std::string first(upper);
    g_free(upper);
    return {first, name.substr(firstLength)};
}

} // namespace

VLObjCProperty::VLObjCProperty(std::string name, std::string_view attributes) : _name(std::move(name)) {
    while (!attributes.empty()) {
        size_t comma = attributes.find(',');
        readAttribute(attributes.substr(0, comma));
        attributes = comma == std::string_view::npos ? std::string_view() : attributes.substr(comma + 1);
    }
    if (_getter.empty()) {
        _getter = _name;
    }
    if (_setter.empty() && !_isReadOnly) {
        auto [first, rest] = capitalized(_name);
        _setter = VLStringWithFormat("set%@%@:", first, rest);
    }
}

void VLObjCProperty::readAttribute(std::string_view item) {
    if (item.empty()) {
        return;
    }
    std::string value(item.substr(1));
    switch (item[0]) {
    case 'T':
        _type = VLObjCTypeEncoding(value);
        break;
    case 'R':
        _isReadOnly = true;
        break;
    case 'N':
        _isNonAtomic = true;
        break;
    case 'D':
        _isDynamic = true;
        break;
    case 'C':
        _setterType = SetterType::Copy;
        break;
    case '&':
        _setterType = SetterType::Strong;
        break;
    case 'W':
        _setterType = SetterType::Weak;
        break;
    case 'G':
        _getter = value;
        break;
    case 'S':
        _setter = value;
        break;
    case 'V':
        _ivarName = value;
        break;
    default:
        break;
    }
}
