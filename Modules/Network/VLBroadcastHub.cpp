#include "Modules/Network/VLBroadcastHub.h"

VLBroadcastHub& VLBroadcastHub::sharedHub() {
    static VLBroadcastHub* hub = new VLBroadcastHub(); // outlives every caller at exit
    return *hub;
}

std::shared_ptr<VLBroadcastTransport> VLBroadcastHub::transport() const {
    std::lock_guard lock(_lock);
    return _transport;
}

void VLBroadcastHub::setTransport(std::shared_ptr<VLBroadcastTransport> transport) {
    std::lock_guard lock(_lock);
    _transport = std::move(transport);
}

void VLBroadcastHub::receiveTransportedMessage(const VLData&, const std::string&) {}
