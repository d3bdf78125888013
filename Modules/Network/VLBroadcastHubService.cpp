#include "Modules/Network/VLBroadcastHubService.h"

#include "Core/Engine/Parts/VLDynamicPartsDescriptor.h"
#include "Modules/Network/VLBroadcastHub.h"

VL_EXPORT_PART_CLASS(VLBroadcastHubService);

std::shared_ptr<VLBroadcastTransport> VLBroadcastHubService::transport() {
    return VLBroadcastHub::sharedHub().transport();
}

void VLBroadcastHubService::setTransport(std::shared_ptr<VLBroadcastTransport> transport) {
    VLBroadcastHub::sharedHub().setTransport(std::move(transport));
}

void VLBroadcastHubService::receiveTransportedMessage(const VLData& data, const std::string& key) {
    VLBroadcastHub::sharedHub().receiveTransportedMessage(data, key);
}
