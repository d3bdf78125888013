#include "Platform/WindowServer/VLWSKeyTaps.h"

#include <algorithm>

std::shared_ptr<VLWSKeyTap> VLWSKeyTaps::createTap(VLWSKeyTap::Callback callback) {
    if (access() != VLWSListenAccess::Granted || _creationFails)
        return nullptr;
    auto tap = std::make_shared<VLWSKeyTap>(std::move(callback));
    _taps.push_back(tap);
    return tap;
}

std::vector<std::shared_ptr<VLWSKeyTap>> VLWSKeyTaps::liveTaps() {
    std::vector<std::shared_ptr<VLWSKeyTap>> live;
    std::erase_if(_taps, [&](const std::weak_ptr<VLWSKeyTap>& weakTap) {
        std::shared_ptr<VLWSKeyTap> tap = weakTap.lock();
        if (!tap || !tap->isValid())
            return true;
        live.push_back(std::move(tap));
        return false;
    });
    return live;
}

size_t VLWSKeyTaps::liveTapCount() const {
    return size_t(std::count_if(_taps.begin(), _taps.end(), [](const std::weak_ptr<VLWSKeyTap>& weakTap) {
        std::shared_ptr<VLWSKeyTap> tap = weakTap.lock();
        return tap && tap->isValid();
    }));
}

void VLWSKeyTaps::deliver(const VLWSEvent& event) {
    if (!event.isKey())
        return;
    for (const auto& tap : liveTaps())
        tap->hear(VLWSKeyTap::Happening::Key, &event);
}

void VLWSKeyTaps::timeOut() {
    for (const auto& tap : liveTaps())
        tap->hear(VLWSKeyTap::Happening::DisabledByTimeout, nullptr);
}
