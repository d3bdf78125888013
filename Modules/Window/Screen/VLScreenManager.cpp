#include "Modules/Window/Screen/VLScreenManager.h"

#include "Modules/Window/Screen/VLScreen.h"
#include "Modules/Window/Screen/VLScreenObserver.h"
#include "Platform/Foundation/VLMainQueue.h"
#include "Platform/WindowServer/VLDisplayProvider.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>

namespace {

constexpr size_t maximumListedDisplays = 128;

} // namespace

const std::shared_ptr<VLScreenManager>& VLScreenManager::sharedInstance() {
    static const std::shared_ptr<VLScreenManager> instance = [] {
        std::shared_ptr<VLScreenManager> manager(new VLScreenManager());
        manager->start();
        return manager;
    }();
    return instance;
}

void VLScreenManager::start() {
    std::weak_ptr<VLScreenManager> weakSelf = weak_from_this();
    _screenParametersObserver = VLNotificationCenter::defaultCenter().addObserver(
        VLScreenParametersDidChangeNotification, nullptr, [weakSelf](const VLNotification&) {
            if (std::shared_ptr<VLScreenManager> self = weakSelf.lock())
                self->screenParametersDidChange();
        });
    if (VLMainQueue::isCurrent()) {
        updateVisibleFrames();
        return;
    }
    VLMainQueue::async([weakSelf] {
        if (std::shared_ptr<VLScreenManager> self = weakSelf.lock())
            self->updateVisibleFrames();
    });
}

std::shared_ptr<VLScreen> VLScreenManager::mainScreen() const {
    return std::make_shared<VLScreen>(VLWindowServer::shared()->snapshot()->mainDisplayID());
}

std::vector<std::shared_ptr<VLScreen>> VLScreenManager::screens() const {
    const std::shared_ptr<const VLWSSnapshot> snapshot = VLWindowServer::shared()->snapshot();
    const std::optional<std::vector<uint32_t>>& online = snapshot->onlineDisplays();
    std::vector<std::shared_ptr<VLScreen>> screens;
    if (!online)
        return screens;
    const uint32_t mainId = snapshot->mainDisplayID();
    const size_t count = std::min(online->size(), maximumListedDisplays);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t displayId = (*online)[i];
        const VLWSScreen* display = snapshot->display(displayId);
        if (display && display->mirrorOf != 0)
            continue;
        auto screen = std::make_shared<VLScreen>(displayId);
        if (displayId == mainId)
            screens.insert(screens.begin(), std::move(screen));
        else
            screens.push_back(std::move(screen));
    }
    return screens;
}

VLRect VLScreenManager::visibleFrameOfDisplay(uint32_t displayId) const {
    {
        std::lock_guard lock(_lock);
        if (auto found = _visibleFrames.find(displayId); found != _visibleFrames.end())
            return found->second;
    }
    return VLWindowServer::shared()->snapshot()->displayBounds(displayId);
}

void VLScreenManager::registerScreenObserver(std::weak_ptr<VLScreenObserver> observer) {
    std::lock_guard lock(_lock);
    std::erase_if(_observers, [](const std::weak_ptr<VLScreenObserver>& entry) { return entry.expired(); });
    _observers.push_back(std::move(observer));
}

void VLScreenManager::updateVisibleFrames() {
    const std::shared_ptr<const VLWSSnapshot> snapshot = VLWindowServer::shared()->snapshot();
    std::unordered_map<uint32_t, VLRect> frames;
    // The snapshot's flip measures against the primary screen, the first of its screens.
    for (const VLWSScreen& screen : snapshot->screens()) {
        if (std::optional<uint32_t> number = screen.screenNumber())
            frames[*number] = snapshot->flip(screen.visibleFrame);
    }
    std::lock_guard lock(_lock);
    _visibleFrames.swap(frames);
}

void VLScreenManager::screenParametersDidChange() {
    updateVisibleFrames();
    std::vector<std::weak_ptr<VLScreenObserver>> observers;
    {
        std::lock_guard lock(_lock);
        observers = _observers;
    }
    for (const std::weak_ptr<VLScreenObserver>& entry : observers) {
        if (std::shared_ptr<VLScreenObserver> observer = entry.lock())
            observer->screenDidChanged();
    }
}
