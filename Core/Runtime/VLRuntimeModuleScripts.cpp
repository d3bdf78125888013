#include "Core/Runtime/VLRuntimeModuleScripts.h"

#include "Core/Engine/JS/VLEmbeddedScripts.h"
#include "Core/Engine/Log/VLLog.h"
#include "Platform/Foundation/VLStringWithFormat.h"

VLRuntimeModuleScripts& VLRuntimeModuleScripts::shared() {
    static auto* scripts = new VLRuntimeModuleScripts(
        [](std::string_view name) { return VLEmbeddedScript(VLStringWithFormat("Modules/%@", name)); });
    return *scripts;
}

std::optional<std::string> VLRuntimeModuleScripts::resourceScript(std::string_view name) const {
    std::optional<std::string_view> text = _lookup(name);
    if (!text) {
        VLLogError("VLRuntimeModuleScript", "Failed to load %@.js: %@", name,
                   "not in the framework's resources");
        return std::nullopt;
    }
    return std::string(*text);
}

std::string VLRuntimeModuleScripts::moduleScript(std::string_view name) {
    std::lock_guard lock(_lock);
    auto cached = _moduleScripts.find(name);
    if (cached != _moduleScripts.end())
        return cached->second;
    std::optional<std::string> events = resourceScript("events");
    std::optional<std::string> script = resourceScript(name);
    std::string text = events && script ? VLStringWithFormat("%@\n%@", *events, *script) : std::string();
    _moduleScripts.emplace(name, text);
    return text;
}

std::string VLRuntimeModuleScripts::moduleScriptWithSource(std::string_view source) {
    std::lock_guard lock(_lock);
    if (!_events)
        _events = resourceScript("events");
    return *_events ? VLStringWithFormat("%@\n%@", **_events, source) : std::string();
}

std::optional<std::string> VLRuntimeResourceScript(std::string_view name) {
    return VLRuntimeModuleScripts::shared().resourceScript(name);
}

std::string VLRuntimeModuleScript(std::string_view name) {
    return VLRuntimeModuleScripts::shared().moduleScript(name);
}

std::string VLRuntimeModuleScriptWithSource(std::string_view source) {
    return VLRuntimeModuleScripts::shared().moduleScriptWithSource(source);
}
