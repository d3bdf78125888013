#include "Core/Engine/Parts/VLDynamicPartsLoader.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Engine/Parts/VLTypeInfo.h"
#include "Platform/Foundation/VLStringWithFormat.h"

VLDynamicPartsLoader& VLDynamicPartsLoader::shared() {
    static VLDynamicPartsLoader loader(VLDynamicPartsDescriptor::collectParts());
    return loader;
}

template <typename Test>
std::vector<VLPart> VLDynamicPartsLoader::cachedParts(const std::string& key, Test test) const {
    std::lock_guard guard(_cacheLock);
    auto cached = _partsCache.find(key);
    if (cached != _partsCache.end())
        return cached->second;
    std::vector<VLPart> found;
    for (const VLPart& part : _parts) {
        if (test(part))
            found.push_back(part);
    }
    return _partsCache.emplace(key, std::move(found)).first->second;
}

std::vector<VLPart> VLDynamicPartsLoader::partsConformingToProtocol(const std::type_info& protocol) const {
    return cachedParts(VLStringWithFormat("protocol:%@", VLTypeName(protocol)),
                       [&](const VLPart& part) { return part.conformsToProtocol(protocol); });
}

std::vector<VLPart> VLDynamicPartsLoader::partsSubclassOfClass(const std::type_info& cls) const {
    return cachedParts(VLStringWithFormat("class:%@", VLTypeName(cls)),
                       [&](const VLPart& part) { return part.isSubclassOf(cls); });
}
