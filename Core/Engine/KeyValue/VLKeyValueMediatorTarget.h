#pragma once

#include "Platform/Foundation/VLValue.h"

#include <functional>
#include <string>

// What a mediator reports to: handlers looked up by name ("$mediator$titleChanged:" for the property
// title).
class VLKeyValueMediatorTarget {
public:
    using Handler = std::function<void(const VLValue& value)>;

    virtual ~VLKeyValueMediatorTarget() = default;
    // The handler of that name; empty when the target has none.
    virtual Handler mediatorHandler(const std::string& name) = 0;
};
