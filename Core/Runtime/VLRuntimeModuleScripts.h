#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// The prelude texts of modules whose script layer lives in resource scripts of the framework
// (Resources/Scripts/Modules, embedded at build time). Each such prelude is the shared "events"
// script, a line feed and the module's own script. Texts are cached for the life of the object; the
// process-wide object serves the functions below. Any thread.
class VLRuntimeModuleScripts {
public:
    // The text of a resource script by name, or nothing.
    using Lookup = std::function<std::optional<std::string_view>(std::string_view name)>;

    explicit VLRuntimeModuleScripts(Lookup lookup) : _lookup(std::move(lookup)) {}
    // Over the framework's embedded scripts.
    static VLRuntimeModuleScripts& shared();

    // The text of the resource script, or nothing (logged) when it is missing.
    std::optional<std::string> resourceScript(std::string_view name) const;
    // "events", a line feed and the named script; empty when either is missing.
    std::string moduleScript(std::string_view name);
    // "events", a line feed and the source; empty when "events" is missing.
    std::string moduleScriptWithSource(std::string_view source);

private:
    const Lookup _lookup;
    std::mutex _lock; // guards the caches
    std::map<std::string, std::string, std::less<>> _moduleScripts;
    std::optional<std::optional<std::string>> _events;
};

// The process-wide forms.
std::optional<std::string> VLRuntimeResourceScript(std::string_view name);
std::string VLRuntimeModuleScript(std::string_view name);
std::string VLRuntimeModuleScriptWithSource(std::string_view source);
