#include "Core/Runtime/Rendering/VLFrameSourceRunLoop.h"

#include "Core/Engine/RunLoop/VLRunLoop.h"
#include "Core/Engine/RunLoop/VLTimerSource.h"
#include "Core/Engine/Support/VLProduct.h"
#include "Core/Runtime/Rendering/VLTimerFrameSource.h"

#include <algorithm>
#include <string>

VLFrameSourceRunLoop& VLFrameSourceRunLoop::shared() {
    // Never destroyed: sources may tick until the process ends.
    static VLFrameSourceRunLoop* const loop = new VLFrameSourceRunLoop();
    return *loop;
}

VLFrameSourceRunLoop::VLFrameSourceRunLoop() {
    auto thread = VLRunLoopThread::create(std::string(kVLReverseDomainPrefix) + ".display-link");
    thread->setLivesWithProcess();
    _runLoop = VLRunLoop::create(std::move(thread));
}

void VLFrameSourceRunLoop::update(std::shared_ptr<VLTimerFrameSource> source) {
    _runLoop->performBlock([this, source = std::move(source)] {
        remove(source.get());
        if (source->isRunning() && !source->isInvalidated())
            place(source);
        dropEmptyGroups();
    });
}

void VLFrameSourceRunLoop::sweep() {
    _runLoop->performBlock([this] {
        removeGone();
        dropEmptyGroups();
    });
}

size_t VLFrameSourceRunLoop::armedTimerCount() {
    size_t count = 0;
    _runLoop->performBlockSync([&] { count = _groups.size(); });
    return count;
}

int64_t VLFrameSourceRunLoop::nextDeadline(int64_t now, uint32_t rate) {
    constexpr unsigned __int128 kMicrosecondsPerSecond = 1'000'000;
    const unsigned __int128 time = static_cast<uint64_t>(std::max<int64_t>(now, 0));
    const unsigned __int128 next = time * rate / kMicrosecondsPerSecond + 1;
    // Rounded up, so that the timer never fires before the grid point.
    return static_cast<int64_t>((next * kMicrosecondsPerSecond + rate - 1) / rate);
}

void VLFrameSourceRunLoop::place(const std::shared_ptr<VLTimerFrameSource>& source) {
    const uint32_t rate = std::max<uint32_t>(source->tickRate(), 1);
    RateGroup& group = _groups[rate];
    if (!group.timer) {
        group.timer = std::make_unique<VLTimerSource>([this, rate] { tick(rate); });
        group.timer->attach(_runLoop->thread()->context());
        group.timer->fireAt(nextDeadline(VLTimerSource::now(), rate));
    }
    group.sources.push_back({source.get(), source});
}

void VLFrameSourceRunLoop::remove(const VLTimerFrameSource* source) {
    for (auto& [rate, group] : _groups)
        std::erase_if(group.sources, [source](const Entry& entry) { return entry.key == source; });
}

void VLFrameSourceRunLoop::removeGone() {
    for (auto& [rate, group] : _groups)
        std::erase_if(group.sources, [](const Entry& entry) { return entry.source.expired(); });
}

void VLFrameSourceRunLoop::dropEmptyGroups() {
    std::erase_if(_groups, [](const auto& rateAndGroup) { return rateAndGroup.second.sources.empty(); });
}

void VLFrameSourceRunLoop::tick(uint32_t rate) {
    auto found = _groups.find(rate);
    if (found == _groups.end())
        return;
    found->second.timer->fireAt(nextDeadline(VLTimerSource::now(), rate));
    std::vector<std::shared_ptr<VLTimerFrameSource>> due;
    due.reserve(found->second.sources.size());
    for (const Entry& entry : found->second.sources)
        if (std::shared_ptr<VLTimerFrameSource> source = entry.source.lock())
            due.push_back(std::move(source));
    // The handlers may start and stop sources, which changes the groups: only `due` is used from here.
    for (const std::shared_ptr<VLTimerFrameSource>& source : due)
        source->fire();
}
