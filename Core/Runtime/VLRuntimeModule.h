#pragma once

#include "Core/Engine/Binding/VLJSClassInfo.h"
#include "Core/Engine/Binding/VLJSClassLoader.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Core/Engine/Parts/VLPartClass.h"

#include <optional>
#include <string>

// The class side of a runtime module: the binding class that the runtime scope "VeltoRuntime" offers
// under its JavaScript name, and the module's prelude. Adopted by the module's class object, which
// VLRuntimeModulePart makes:
//
//   class VLFontsModule final : public VLDynamicParts {
//   public:
//       using BindingClass = VLFontsJSBinding;
//       static std::optional<std::string> polyfillScript() { return VLRuntimeModuleScript("fonts"); }
//       static std::vector<VLPart> exports() { return {VLRuntimeModulePart<VLFontsModule>()}; }
//   };
//   VL_EXPORT_PARTS(VLFontsModule);
class VLRuntimeModule {
public:
    virtual ~VLRuntimeModule() = default;

    virtual const VLJSClassInfo& bindingClass() const = 0;
    // The prelude; nothing when the module has none, an empty text when it has an empty one.
    virtual std::optional<std::string> polyfillScript() const = 0;
};

// The class object of a module class: Module::BindingClass, and Module::polyfillScript() when the
// module declares one.
template <typename Module>
class VLRuntimeModuleClassOf final : public VLPartClassOf<Module>, public VLRuntimeModule {
public:
    const VLJSClassInfo& bindingClass() const override {
        return VLJSClassLoader::loadNativeClass<typename Module::BindingClass>();
    }
    std::optional<std::string> polyfillScript() const override {
        if constexpr (requires { Module::polyfillScript(); })
            return Module::polyfillScript();
        else
            return std::nullopt;
    }
};

// The part by which a module class registers itself.
template <typename Module>
VLPart VLRuntimeModulePart() {
    return VLPart::ofClass<Module, VLRuntimeModuleClassOf<Module>>();
}
