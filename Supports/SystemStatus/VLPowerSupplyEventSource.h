#pragma once

#include "Supports/SystemStatus/VLSystemStatusPathMonitor.h"

#include <memory>

class VLDispatchSource;

// Changes of the power supplies: the kernel's uevents (a NETLINK_KOBJECT_UEVENT socket) of the
// subsystem "power_supply". Where the socket cannot be had it stays quiet.
class VLPowerSupplyEventSource final : public VLSystemStatusChangeSource {
public:
    ~VLPowerSupplyEventSource() override;

    void start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) override;
    void stop() override;

    // Whether a uevent message ("ACTION@DEVPATH", then KEY=VALUE fields, each ended by a NUL) is of the
    // power supplies.
    static bool isPowerSupplyEvent(std::string_view message);

private:
    std::shared_ptr<VLDispatchSource> _socket;
};
