#include "Platform/Foundation/VLManualClock.h"

#include <cmath>

void VLManualClock::advance(double seconds) {
    // Up to about a century at a time; beyond that the nanosecond count would overflow.
    if (!(seconds > 0) || seconds > 3e9)
        return;
    _now.fetch_add(static_cast<uint64_t>(std::llround(seconds * 1e9)), std::memory_order_acq_rel);
}
