#include "Core/Engine/Parts/VLPartClass.h"

#include "Core/Engine/Parts/VLTypeInfo.h"

VLPartClass::VLPartClass(const std::type_info& type) : _type(type), _name(VLTypeName(type)) {}

bool VLPartClass::isSubclassOf(const std::type_info& cls) const {
    return VLTypeIsPublicBaseOf(cls, _type);
}

bool VLPartClass::conformsToProtocol(const std::type_info& protocol) const {
    return VLTypeIsPublicBaseOf(protocol, _type) || VLTypeIsPublicBaseOf(protocol, typeid(*this));
}
