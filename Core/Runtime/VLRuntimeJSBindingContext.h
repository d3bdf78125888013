#pragma once

#include "Core/Engine/Binding/VLJSBindingContext.h"
#include "Core/Engine/Parts/VLPart.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class VLRuntime;

// The scope "VeltoRuntime" of a runtime: the binding classes and preludes of the runtime modules
// registered as parts (VLRuntimeModule), found once per process.
class VLRuntimeJSBindingContext : public VLJSBindingContext {
public:
    explicit VLRuntimeJSBindingContext(const std::shared_ptr<VLRuntime>& runtime) : _runtime(runtime) {}

    // The module classes, in registration order.
    static const std::vector<VLPart>& moduleClasses();

    std::string scopeName() const override { return "VeltoRuntime"; }
    // One prelude per module that has one, under the module's class name without "VL" and "Module".
    std::map<std::string, std::string> polyfillScripts() const override;
    const VLJSClassInfo* bindingClassForName(std::string_view name) const override;

    std::shared_ptr<VLRuntime> runtime() const { return _runtime.lock(); }

private:
    std::weak_ptr<VLRuntime> _runtime;
};
