#pragma once

#include <memory>

class VLBroadcastMessage;

// What the broadcast hub hands messages to. The hub calls it on the thread that posted (a runtime's
// JavaScript thread, or the thread on which the content host hands in a transported message), with no
// hub lock held; a receiver hops on to its own thread by itself. The sender is compared by identity only.
class VLBroadcastReceiver {
public:
    virtual ~VLBroadcastReceiver() = default;
    virtual void receiveBroadcast(const std::shared_ptr<VLBroadcastMessage>& message,
                                  const VLBroadcastReceiver* sender, double sourceId, double newestId) = 0;
};
