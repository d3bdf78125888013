#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Engine/Parts/VLPart.h"
#include "Modules/Network/VLNetworkJSBinding.h"

#include <vector>

// The runtime module "Network": VeltoRuntime.Network, the native side of requests, object URLs and
// text encoding.
class VLNetworkModule final : public VLDynamicParts {
public:
    using BindingClass = VLNetworkJSBinding;
    static std::vector<VLPart> exports();
};
