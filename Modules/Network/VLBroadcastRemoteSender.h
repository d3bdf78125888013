#pragma once

#include "Modules/Network/VLBroadcastReceiver.h"

#include <memory>

// The sender of every message that came from another process: one per process, made on first use. It
// hears nothing itself. Any thread.
class VLBroadcastRemoteSender final : public VLBroadcastReceiver {
public:
    static const std::shared_ptr<VLBroadcastRemoteSender>& shared();

    void receiveBroadcast(const std::shared_ptr<VLBroadcastMessage>&, const VLBroadcastReceiver*, double,
                          double) override {}
};
