#include "Core/Engine/Parts/VLServiceLocator.h"

#include "Core/Engine/Log/VLSystemLog.h"
#include "Core/Engine/Parts/VLTypeInfo.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <vector>

namespace {

struct DecoratorTable {
    std::mutex lock;
    std::unordered_map<std::type_index, std::shared_ptr<void> (*)(std::shared_ptr<void>)> factories;
};

DecoratorTable& decoratorTable() {
    static DecoratorTable table;
    return table;
}

} // namespace

VLServiceLocator& VLServiceLocator::sharedInstance() {
    static VLServiceLocator locator(VLDynamicPartsLoader::shared());
    return locator;
}

void VLServiceLocator::registerDecorator(const std::type_info& contract, DecoratorFactory factory) {
    DecoratorTable& table = decoratorTable();
    std::lock_guard guard(table.lock);
    table.factories[std::type_index(contract)] = factory;
}

std::shared_ptr<void> VLServiceLocator::decorate(const std::type_info& contract,
                                                 std::shared_ptr<void> service) const {
    DecoratorFactory factory = nullptr;
    {
        DecoratorTable& table = decoratorTable();
        std::lock_guard guard(table.lock);
        auto found = table.factories.find(std::type_index(contract));
        if (found != table.factories.end())
            factory = found->second;
    }
    return factory ? factory(std::move(service)) : service;
}

VLServiceLocator::Resolution VLServiceLocator::resolveContract(const std::type_info& contract,
                                                               ServiceCast cast) {
    std::lock_guard guard(_lock);
    auto [entry, isNew] = _services.try_emplace(std::type_index(contract));
    if (!isNew)
        return {entry->second, false};

    struct Candidate {
        std::shared_ptr<VLDynamicParts> object;
        std::shared_ptr<void> service;
    };
    std::vector<Candidate> candidates;
    try {
        for (const VLPart& part : _loader.partsConformingToProtocol(contract)) {
            std::shared_ptr<VLDynamicParts> object = part.instance();
            if (std::shared_ptr<void> service = object ? cast(object) : nullptr)
                candidates.push_back({std::move(object), std::move(service)});
        }
    } catch (...) {
        // A service that could not be made now (no memory, no thread) is no miss: a later call tries again.
        _services.erase(std::type_index(contract));
        throw;
    }
    if (candidates.empty())
        return {nullptr, false};

    const Candidate& winner = candidates.back();
    if (candidates.size() > 1) {
        VLSystemLogWrite(VLStringWithFormat("duplicate service register: %@, will use last one: %@",
                                            VLTypeName(contract), VLObjectDescription(*winner.object)));
    }
    std::shared_ptr<void> service = decorate(contract, winner.service);
    // The constructors above may have resolved other contracts and moved the entry: look it up again.
    _services[std::type_index(contract)] = service;
    return {service, true};
}
