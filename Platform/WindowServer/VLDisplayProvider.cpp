#include "Platform/WindowServer/VLDisplayProvider.h"

#include "Platform/WindowServer/VLWindowServer.h"

#include <cmath>
#include <mutex>

namespace {

// Guards the replaceable provider; any thread.
std::mutex sharedProviderLock;
std::shared_ptr<VLDisplayProvider> sharedProvider;

} // namespace

double VLDisplayProvider::refreshRate(uint32_t displayID) const {
    const double rate = statedRefreshRate(displayID);
    return std::isfinite(rate) && rate > 0 ? rate : 60;
}

std::shared_ptr<VLDisplayProvider> VLDisplayProvider::shared() {
    {
        std::lock_guard lock(sharedProviderLock);
        if (sharedProvider)
            return sharedProvider;
    }
    return VLWindowServer::shared();
}

void VLDisplayProvider::setShared(std::shared_ptr<VLDisplayProvider> provider) {
    std::lock_guard lock(sharedProviderLock);
    sharedProvider = std::move(provider);
}
