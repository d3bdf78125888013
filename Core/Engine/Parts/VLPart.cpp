#include "Core/Engine/Parts/VLPart.h"

#include "Core/Engine/Parts/VLTypeInfo.h"
#include "Platform/Foundation/VLStringWithFormat.h"

std::shared_ptr<VLDynamicParts> VLPart::instance() const {
    return isClass() ? _partClass->make() : _object;
}

bool VLPart::conformsToProtocol(const std::type_info& protocol) const {
    if (isClass())
        return _partClass->conformsToProtocol(protocol);
    if (!_object)
        return false;
    const VLDynamicParts& object = *_object;
    return VLTypeIsPublicBaseOf(protocol, typeid(object));
}

bool VLPart::isSubclassOf(const std::type_info& cls) const {
    return isClass() && _partClass->isSubclassOf(cls);
}

std::string VLPart::description() const {
    if (isClass())
        return _partClass->description();
    return _object ? VLObjectDescription(*_object) : std::string("(null)");
}

std::string VLObjectDescription(const VLDynamicParts& object) {
    return VLStringWithFormat("<%@: %p>", VLTypeName(typeid(object)), static_cast<const void*>(&object));
}
