#include "Platform/WindowServer/VLWSClock.h"

#include "Platform/Foundation/VLClock.h"
#include "Platform/Foundation/VLDelayScheduler.h"
#include "Platform/Foundation/VLManualDelayScheduler.h"

#include <algorithm>

VLWSClock::~VLWSClock() {
    // A cancelled block never starts, so no perform outlives the clock it names.
    for (auto& perform : _performs)
        perform.block->cancel();
}

double VLWSClock::now() const {
    return VLClock::shared()->seconds();
}

std::shared_ptr<VLWSTimer> VLWSClock::scheduleTimer(double interval, bool repeats, VLWSTimer::Block block) {
    auto clock = VLClock::shared();
    const uint64_t start = clock->nanoseconds();
    std::shared_ptr<VLWSTimer> timer(
        new VLWSTimer(std::move(clock), VLDelayScheduler::shared(), interval, repeats, std::move(block)));
    timer->scheduleAt(start + timer->_intervalNanoseconds);
    return timer;
}

void VLWSClock::perform(const void* target, std::string selector, double delay, Block block) {
    const uint64_t identifier = _nextPerform++;
    auto delayed =
        VLDelayScheduler::shared()->after(delay, nullptr, [this, identifier, block = std::move(block)] {
            finishPerform(identifier);
            block();
        });
    _performs.push_back({target, std::move(selector), identifier, std::move(delayed)});
}

void VLWSClock::cancelPerforms(const void* target, std::string_view selector) {
    std::erase_if(_performs, [&](Perform& perform) {
        if (perform.target != target || (!selector.empty() && perform.selector != selector))
            return false;
        perform.block->cancel();
        return true;
    });
}

void VLWSClock::finishPerform(uint64_t identifier) {
    std::erase_if(_performs, [&](const Perform& perform) { return perform.identifier == identifier; });
}

bool VLWSClock::advance(double seconds) {
    auto manual = std::dynamic_pointer_cast<VLManualDelayScheduler>(VLDelayScheduler::shared());
    if (!manual)
        return false;
    manual->advance(seconds);
    return true;
}
