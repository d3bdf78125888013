#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Network/VLNetworkJSBinding.h"

#include <optional>
#include <string>
#include <vector>

class VLRuntimeModuleScripts;

// The runtime module "Network": VeltoRuntime.Network, the native side of requests, object URLs and
// text encoding, and the prelude that builds the web's classes on it from the resource scripts.
class VLNetworkModule final : public VLDynamicParts {
public:
    using BindingClass = VLNetworkJSBinding;
    // The prelude over the framework's scripts, built once per process; nothing while it is left out.
    static std::optional<std::string> polyfillScript();
    // The prelude over the scripts that `scripts` finds: "" (logged) when one of them is missing.
    static std::string polyfillScriptWithScripts(VLRuntimeModuleScripts& scripts);
    // Leaves the prelude out of the runtimes launched from now on, or puts it back: the launch benchmark
    // weighs what it costs. Any thread.
    static void setIncludesPolyfillScript(bool includes);
    static std::vector<VLPart> exports();
};
