#include "Supports/SystemStatus/VLSystemStatusInterfaceBytes.h"

uint64_t VLSystemStatusInterfaceBytes::delta(uint64_t oldValue, uint64_t newValue, bool oldExact,
                                             bool newExact) {
    if (newValue >= oldValue)
        return newValue - oldValue;
    constexpr uint64_t half = uint64_t(1) << 31, wrap = uint64_t(1) << 32;
    if (oldValue - newValue >= half && !oldExact && !newExact && oldValue < wrap)
        return newValue + wrap - oldValue;
    return newValue;
}

void VLSystemStatusInterfaceBytes::sample(const Sample& sample, double t, bool rates) {
    uint64_t receivedTotal = 0, sentTotal = 0, receivedDelta = 0, sentDelta = 0;
    for (const auto& [index, counters] : sample) {
        receivedTotal += counters.received;
        sentTotal += counters.sent;
        auto previous = _previous.find(index);
        if (previous == _previous.end()) {
            receivedDelta += counters.received;
            sentDelta += counters.sent;
            continue;
        }
        const Counters& old = previous->second;
        receivedDelta += delta(old.received, counters.received, old.exact, counters.exact);
        sentDelta += delta(old.sent, counters.sent, old.exact, counters.exact);
    }
    if (_hasBytes) {
        _received += receivedDelta;
        _sent += sentDelta;
        if (rates && t - _readAt > 0) {
            _receivedPerSecond = double(receivedDelta) / (t - _readAt);
            _sentPerSecond = double(sentDelta) / (t - _readAt);
        }
    } else {
        _received = receivedTotal;
        _sent = sentTotal;
        _hasBytes = true;
    }
    _previous = sample;
    _readAt = t;
}
