#include "Core/Runtime/Rendering/VLTimerFrameSource.h"

#include "Core/Runtime/Rendering/VLFrameSourceRunLoop.h"
#include "Platform/WindowServer/VLDisplayProvider.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr uint32_t kVirtualDisplayRate = 60;
// Beyond this a stated rate is taken for a fault: the timer would keep the thread busy.
constexpr double kHighestRefreshRate = 1000;

} // namespace

std::shared_ptr<VLTimerFrameSource> VLTimerFrameSource::create(uint32_t displayID, Handler handler,
                                                               std::shared_ptr<VLDisplayProvider> provider) {
    return std::shared_ptr<VLTimerFrameSource>(
        new VLTimerFrameSource(displayID, std::move(handler), std::move(provider)));
}

VLTimerFrameSource::VLTimerFrameSource(uint32_t displayID, Handler handler,
                                       std::shared_ptr<VLDisplayProvider> provider)
    : VLFrameSource(std::move(handler)), _displayID(displayID), _provider(std::move(provider)) {
    _updatesPerSecond.store(readRefreshRate());
}

VLTimerFrameSource::~VLTimerFrameSource() {
    // The thread holds sources weakly; this lets it disarm a timer that served only this one.
    if (isRunning())
        VLFrameSourceRunLoop::shared().sweep();
}

uint32_t VLTimerFrameSource::readRefreshRate() const {
    if (!_provider || !_provider->hasDisplay(_displayID))
        return kVirtualDisplayRate;
    const double rate = std::round(_provider->refreshRate(_displayID));
    return static_cast<uint32_t>(std::clamp(rate, 1.0, kHighestRefreshRate));
}

bool VLTimerFrameSource::start() {
    if (isInvalidated())
        return false;
    if (!_running.exchange(true))
        updateThread();
    return true;
}

void VLTimerFrameSource::stop() {
    if (_running.exchange(false))
        updateThread();
}

void VLTimerFrameSource::invalidate() {
    _invalidated.store(true);
    stop();
}

void VLTimerFrameSource::adoptRefreshRate() {
    const uint32_t rate = readRefreshRate();
    if (_updatesPerSecond.exchange(rate) != rate)
        rescheduleIfRunning();
}

void VLTimerFrameSource::setPreferredFPS(uint32_t preferredFPS) {
    const uint32_t previousRate = tickRate();
    VLFrameSource::setPreferredFPS(preferredFPS);
    if (previousRate != tickRate())
        rescheduleIfRunning();
}

void VLTimerFrameSource::rescheduleIfRunning() {
    if (isRunning())
        updateThread();
}

void VLTimerFrameSource::updateThread() {
    VLFrameSourceRunLoop::shared().update(std::static_pointer_cast<VLTimerFrameSource>(shared_from_this()));
}

void VLTimerFrameSource::fire() {
    if (isRunning())
        handler()(shared_from_this(), true);
}
