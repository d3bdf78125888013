#include "Core/Engine/KeyValue/VLObjCTypeEncoding.h"

#include "Core/Engine/KeyValue/VLObjCClass.h"

#include <string_view>

namespace {

size_t typePosition(const std::string& encoding) {
    return encoding.starts_with('r') ? 1 : 0;
}

} // namespace

VLObjCTypeEncoding::VLObjCTypeEncoding(std::string encoding) : _encoding(std::move(encoding)) {
    size_t position = typePosition(_encoding);
    if (position < _encoding.size()) {
        _type = uint8_t(_encoding[position]);
    }
}

bool VLObjCTypeEncoding::isObjectType() const {
    return _type == '#' || _type == '@';
}

bool VLObjCTypeEncoding::isFloatType() const {
    return _type == 'd' || _type == 'f';
}

bool VLObjCTypeEncoding::isIntType() const {
    return _type != 0 && std::string_view("cislqCISLQB").find(char(_type)) != std::string_view::npos;
}

const VLObjCClass* VLObjCTypeEncoding::classType() const {
    if (_type != '@') {
        return nullptr;
    }
    std::string_view rest = std::string_view(_encoding).substr(typePosition(_encoding) + 1);
    if (rest.size() < 2 || !rest.starts_with('"') || !rest.ends_with('"')) {
        return nullptr;
    }
    const VLObjCClass* named = VLObjCClass::named(rest.substr(1, rest.size() - 2));
    return named ? named : &VLObjCClass::root();
}
