#include "Platform/Foundation/VLManualDelayScheduler.h"

#include <algorithm>
#include <cmath>

namespace {

uint64_t nanosecondsOf(double seconds) {
    if (!(seconds > 0))
        return 0;
    return static_cast<uint64_t>(std::llround(std::min(seconds, 365.0 * 86400.0) * 1e9));
}

} // namespace

std::shared_ptr<VLDelayedBlock> VLManualDelayScheduler::after(double seconds, GMainContext*, Block block) {
    return schedule(seconds, std::move(block));
}

std::shared_ptr<VLDelayedBlock>
VLManualDelayScheduler::after(double seconds, const std::shared_ptr<VLDispatchQueue>&, Block block) {
    return schedule(seconds, std::move(block));
}

std::shared_ptr<VLDelayedBlock> VLManualDelayScheduler::schedule(double seconds, Block block) {
    auto delayed = std::make_shared<VLDelayedBlock>(std::move(block));
    std::lock_guard lock(_lock);
    _pending.emplace(std::make_pair(_clock->nanoseconds() + nanosecondsOf(seconds), _sequence++),
                     Entry{std::max(seconds, 0.0), delayed});
    return delayed;
}

void VLManualDelayScheduler::advance(double seconds) {
    const uint64_t target = _clock->nanoseconds() + nanosecondsOf(seconds);
    for (;;) {
        std::shared_ptr<VLDelayedBlock> due;
        {
            std::lock_guard lock(_lock);
            auto first = _pending.begin();
            if (first == _pending.end() || first->first.first > target)
                break;
            if (first->first.first > _clock->nanoseconds())
                _clock->setNanoseconds(first->first.first);
            due = std::move(first->second.block);
            _pending.erase(first);
        }
        due->run();
    }
    if (target > _clock->nanoseconds())
        _clock->setNanoseconds(target);
}

std::vector<double> VLManualDelayScheduler::pendingDelays() const {
    std::lock_guard lock(_lock);
    std::vector<double> delays;
    for (const auto& [key, entry] : _pending)
        if (!entry.block->isDone())
            delays.push_back(entry.delay);
    return delays;
}
