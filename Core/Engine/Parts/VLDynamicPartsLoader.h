#pragma once

#include "Core/Engine/Parts/VLPart.h"

#include <mutex>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

// Answers which parts adopt a protocol or descend from a class. The process's loader (`shared`)
// holds every part registered with VL_EXPORT_PARTS, collected once; tests make loaders of their own
// parts. The parts never change after construction; queries may come from any thread and their
// answers are cached under the loader's lock.
class VLDynamicPartsLoader {
public:
    explicit VLDynamicPartsLoader(std::vector<VLPart> parts) : _parts(std::move(parts)) {}

    static VLDynamicPartsLoader& shared();

    const std::vector<VLPart>& parts() const { return _parts; }

    // Classes and objects that adopt the protocol, in registration order.
    std::vector<VLPart> partsConformingToProtocol(const std::type_info& protocol) const;
    template <typename Protocol>
    std::vector<VLPart> partsConformingToProtocol() const {
        return partsConformingToProtocol(typeid(Protocol));
    }

    // Classes that are `cls` itself or a subclass of it, in registration order; never objects.
    std::vector<VLPart> partsSubclassOfClass(const std::type_info& cls) const;
    template <typename Class>
    std::vector<VLPart> partsSubclassOfClass() const {
        return partsSubclassOfClass(typeid(Class));
    }

private:
    const std::vector<VLPart> _parts;
    mutable std::mutex _cacheLock;
    // "protocol:<name>" and "class:<name>" → the answer.
    mutable std::unordered_map<std::string, std::vector<VLPart>> _partsCache;

    template <typename Test>
    std::vector<VLPart> cachedParts(const std::string& key, Test test) const;
};
