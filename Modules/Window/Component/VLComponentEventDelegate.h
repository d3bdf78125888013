#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>

class VLComponent;

// Receives a component's events: the component's binding, which hands them to its script.
class VLComponentEventDelegate {
public:
    virtual ~VLComponentEventDelegate() = default;
    // On the main thread.
    virtual void component(VLComponent& component, const std::string& name, const VLDictionary& params) = 0;
};
