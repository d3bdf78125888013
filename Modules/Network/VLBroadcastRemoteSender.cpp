#include "Modules/Network/VLBroadcastRemoteSender.h"

const std::shared_ptr<VLBroadcastRemoteSender>& VLBroadcastRemoteSender::shared() {
    static const auto* sender = new std::shared_ptr<VLBroadcastRemoteSender>(
        std::make_shared<VLBroadcastRemoteSender>()); // outlives every caller at exit
    return *sender;
}
