#include "Modules/Network/VLNetworkModule.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Core/Runtime/VLRuntimeModule.h"
#include "Core/Runtime/VLRuntimeModuleScripts.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <atomic>

namespace {

// Any thread.
std::atomic<bool> networkPreludeIncluded{true};

} // namespace

std::optional<std::string> VLNetworkModule::polyfillScript() {
    if (!networkPreludeIncluded.load())
        return std::nullopt;
    static const std::string prelude = polyfillScriptWithScripts(VLRuntimeModuleScripts::shared());
    return prelude;
}

std::string VLNetworkModule::polyfillScriptWithScripts(VLRuntimeModuleScripts& scripts) {
    std::optional<std::string> streams = scripts.resourceScript("web-streams-polyfill");
    if (!streams)
        return {};
    std::string body;
    for (const char* name : {"network-events", "streams", "encoding", "url", "blob", "form-data", "network",
                             "websocket", "xhr", "messaging", "file-reader"}) {
        std::optional<std::string> script = scripts.resourceScript(name);
        if (!script)
            return {};
        if (!body.empty())
            body += '\n';
        if (std::string_view(name) == "streams")
            body +=
                VLStringWithFormat(
                    "internal.streams = function () {\nconst exports = {}, module = { exports };\n%@\nreturn "
                    "exports;\n}();",
                    *streams) +
                '\n';
        body += *script;
    }
    return scripts.moduleScriptWithSource(
        VLStringWithFormat("!function (global) {\n'use strict';\nconst internal = { native: new "
                           "VeltoRuntime.Network() };\n%@\n}(this);\n",
                           body));
}

void VLNetworkModule::setIncludesPolyfillScript(bool includes) {
    networkPreludeIncluded.store(includes);
}

std::vector<VLPart> VLNetworkModule::exports() {
    return {VLRuntimeModulePart<VLNetworkModule>()};
}

VL_EXPORT_PARTS(VLNetworkModule);
