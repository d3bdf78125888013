#pragma once

#include "Platform/WindowServer/VLDisplayProvider.h"

#include <atomic>
#include <cstdint>

// One display whose id, stated rate and sleep tests set from any thread; every other id is unknown.
class VLFakeDisplayProvider final : public VLDisplayProvider {
public:
    uint32_t mainDisplayID() const override { return displayID.load(); }
    bool hasDisplay(uint32_t id) const override { return id == displayID.load(); }
    bool isAsleep(uint32_t id) const override { return hasDisplay(id) && asleep.load(); }

    std::atomic<uint32_t> displayID{7};
    std::atomic<double> rate{60};
    std::atomic<bool> asleep{false};

protected:
    double statedRefreshRate(uint32_t id) const override { return hasDisplay(id) ? rate.load() : 0; }
};
