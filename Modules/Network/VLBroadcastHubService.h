#pragma once

#include "Core/Engine/Parts/VLDynamicParts.h"
#include "Core/Launcher/Services/VLBroadcastHubContract.h"

// Serves the engine's broadcast contract with the shared hub.
class VLBroadcastHubService final : public VLDynamicParts, public VLBroadcastHubContract {
public:
    std::shared_ptr<VLBroadcastTransport> transport() override;
    void setTransport(std::shared_ptr<VLBroadcastTransport> transport) override;
    void receiveTransportedMessage(const VLData& data, const std::string& key) override;
};
