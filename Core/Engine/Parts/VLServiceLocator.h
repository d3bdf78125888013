#pragma once

#include "Core/Engine/Parts/VLDynamicPartsLoader.h"
#include "Core/Engine/Parts/VLServiceContract.h"
#include "Core/Engine/Parts/VLServiceDecorator.h"

#include <memory>
#include <mutex>
#include <type_traits>
#include <typeindex>
#include <unordered_map>

// Resolves a service contract to one shared service: the last registered part that adopts the
// contract, made once and kept for the process (or for the locator, in tests), possibly wrapped in
// the decorator registered for the contract. A contract without a part resolves to nothing, and is
// not searched for again.
//   auto logService = VLServiceLocator::sharedInstance().resolve<VLLogServiceContract>();
// Any thread. Resolve contracts after main has started, once every registration is recorded.
class VLServiceLocator {
public:
    explicit VLServiceLocator(const VLDynamicPartsLoader& loader) : _loader(loader) {}
    VLServiceLocator(const VLServiceLocator&) = delete;
    VLServiceLocator& operator=(const VLServiceLocator&) = delete;

    // The process's locator, over the process's parts.
    static VLServiceLocator& sharedInstance();

    template <typename Contract>
    std::shared_ptr<Contract> resolve() {
        static_assert(std::is_base_of_v<VLServiceContract, Contract>);
        Resolution resolution = resolveContract(typeid(Contract), &serviceAs<Contract>);
        auto service = std::static_pointer_cast<Contract>(resolution.service);
        if (resolution.isFirst)
            service->serviceDidRegister();
        return service;
    }

    // Serves Contract through a Decorator made around the service; see VL_SERVICE_DECORATOR_CLASS.
    template <typename Contract, typename Decorator>
    static bool registerDecoratorClass() {
        static_assert(std::is_base_of_v<VLServiceDecorator<Contract>, Decorator>);
        registerDecorator(typeid(Contract), [](std::shared_ptr<void> service) -> std::shared_ptr<void> {
            std::shared_ptr<Contract> decorator =
                std::make_shared<Decorator>(std::static_pointer_cast<Contract>(std::move(service)));
            return decorator;
        });
        return true;
    }

private:
    // A service is kept as a pointer to its contract, erased to void so that one map holds them all.
    using ServiceCast = std::shared_ptr<void> (*)(const std::shared_ptr<VLDynamicParts>& candidate);
    using DecoratorFactory = std::shared_ptr<void> (*)(std::shared_ptr<void> service);
    struct Resolution {
        std::shared_ptr<void> service;
        bool isFirst = false;
    };

    template <typename Contract>
    static std::shared_ptr<void> serviceAs(const std::shared_ptr<VLDynamicParts>& candidate) {
        std::shared_ptr<Contract> service = std::dynamic_pointer_cast<Contract>(candidate);
        return service;
    }

    Resolution resolveContract(const std::type_info& contract, ServiceCast cast);
    std::shared_ptr<void> decorate(const std::type_info& contract, std::shared_ptr<void> service) const;
    static void registerDecorator(const std::type_info& contract, DecoratorFactory factory);

    const VLDynamicPartsLoader& _loader;
    // Recursive, so that a service's constructor may resolve other contracts; a contract asked for
    // while it is itself being made resolves to nothing.
    std::recursive_mutex _lock;
    // Contract → service; nullptr when it resolved to nothing (or is being resolved).
    std::unordered_map<std::type_index, std::shared_ptr<void>> _services;
};

// Registers Decorator as the class through which Contract is served, in a source file of its own:
//   VL_SERVICE_DECORATOR_CLASS(VLLogServiceContract, VLLogService);
#define VL_SERVICE_DECORATOR_CLASS(Contract, Decorator)                                                      \
    extern const bool VLServiceLocator_##Contract##DecoratorClass;                                           \
    const bool VLServiceLocator_##Contract##DecoratorClass =                                                 \
        VLServiceLocator::registerDecoratorClass<Contract, Decorator>()
