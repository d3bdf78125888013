#include "Core/Runtime/VLRuntimeJSBindingContext.h"

#include "Core/Engine/Binding/VLJSClassTable.h"
#include "Core/Engine/Log/VLLog.h"
#include "Core/Engine/Parts/VLDynamicPartsLoader.h"
#include "Core/Runtime/VLRuntimeModule.h"

namespace {

const VLRuntimeModule& moduleOf(const VLPart& part) {
    return *part.partClass()->classSide<VLRuntimeModule>();
}

// "VLAnimationFrameModule" gives "AnimationFrame".
std::string moduleKey(std::string_view className) {
    if (className.starts_with("VL"))
        className.remove_prefix(2);
    if (className.ends_with("Module"))
        className.remove_suffix(6);
    return std::string(className);
}

} // namespace

const std::vector<VLPart>& VLRuntimeJSBindingContext::moduleClasses() {
    static const std::vector<VLPart> classes = [] {
        std::vector<VLPart> classes;
        VLArray names;
        for (const VLPart& part :
             VLDynamicPartsLoader::shared().partsConformingToProtocol<VLRuntimeModule>()) {
            if (part.isClass() && part.partClass()->classSide<VLRuntimeModule>()) {
                classes.push_back(part);
                names.push_back(part.description());
            }
        }
        VLLogDebug("VLRuntimeJSBindingContext", "Registered runtime modules: %@", VLValue(names));
        return classes;
    }();
    return classes;
}

std::map<std::string, std::string> VLRuntimeJSBindingContext::polyfillScripts() const {
    std::map<std::string, std::string> scripts;
    for (const VLPart& part : moduleClasses()) {
        if (std::optional<std::string> script = moduleOf(part).polyfillScript())
            scripts[moduleKey(part.partClass()->name())] = *script;
    }
    return scripts;
}

const VLJSClassInfo* VLRuntimeJSBindingContext::bindingClassForName(std::string_view name) const {
    static const VLJSClassTable classes = [] {
        VLJSClassTable classes;
        for (const VLPart& part : moduleClasses())
            classes.add(moduleOf(part).bindingClass());
        return classes;
    }();
    return classes.find(name);
}
