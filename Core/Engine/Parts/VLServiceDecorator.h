#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"

#include <memory>
#include <type_traits>

// A wrapper through which a contract is served: it holds the service strongly and implements the
// contract by passing each call on to it (C++ forwards explicitly, each decorator spelling out the
// contract's methods). Registered for a contract with VL_SERVICE_DECORATOR_CLASS.
template <typename Contract>
class VLServiceDecorator : public Contract {
    static_assert(std::is_base_of_v<VLServiceContract, Contract>);

public:
    explicit VLServiceDecorator(std::shared_ptr<Contract> service) : _service(std::move(service)) {}

    const std::shared_ptr<Contract>& service() const { return _service; }

    void serviceDidRegister() override { _service->serviceDidRegister(); }

private:
    const std::shared_ptr<Contract> _service;
};
