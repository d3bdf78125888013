#include "Platform/Foundation/VLClock.h"

#include "Platform/Foundation/VLReplaceable.h"

#include <ctime>

namespace {

class VLSystemClock final : public VLClock {
public:
    uint64_t nanoseconds() const override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_RAW, &now);
        return static_cast<uint64_t>(now.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(now.tv_nsec);
    }
};

VLReplaceable<VLClock> sharedClock;

} // namespace

const std::shared_ptr<VLClock>& VLClock::system() {
    return VLReplaceableDefault<VLClock, VLSystemClock>();
}

std::shared_ptr<VLClock> VLClock::shared() {
    return sharedClock.get(system());
}

void VLClock::setShared(std::shared_ptr<VLClock> clock) {
    sharedClock.set(std::move(clock));
}
