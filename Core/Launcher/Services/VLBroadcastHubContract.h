#pragma once

#include "Core/Engine/Parts/VLServiceContract.h"
#include "Platform/Foundation/VLValue.h"

#include <memory>
#include <string>

class VLBroadcastTransport;

// The process's broadcast hub as the engine's facade reaches it. Any thread.
class VLBroadcastHubContract : public VLServiceContract {
public:
    virtual std::shared_ptr<VLBroadcastTransport> transport() = 0;
    virtual void setTransport(std::shared_ptr<VLBroadcastTransport> transport) = 0;
    // A message that came from another process, for the local receivers of a cross-process key.
    virtual void receiveTransportedMessage(const VLData& data, const std::string& key) = 0;
};
