#pragma once

#include <cstdint>
#include <map>

// The running totals and rates of the bytes that the network interfaces received and sent, from
// samples of their counters.
//
// Not thread-safe: the monitor uses it on its queue only.
class VLSystemStatusInterfaceBytes {
public:
    struct Counters {
        uint64_t received = 0;
        uint64_t sent = 0;
        bool exact = false; // 64-bit counters; otherwise they may wrap at 32 bits
    };
    // Interface index → its counters.
    using Sample = std::map<uint32_t, Counters>;

    // What a counter added between two samples: the difference; when it went down, its new value (the
    // interface restarted), unless it went down by 2^31 or more between two inexact samples of a value
    // that fits 32 bits, which is a wrap at 32 bits.
    static uint64_t delta(uint64_t oldValue, uint64_t newValue, bool oldExact, bool newExact);

    // Takes a sample at time t (seconds). The first sets the totals; later ones add the deltas, an
    // interface new since the previous sample adding its whole counters. With `rates`, the rates
    // become the deltas over the time since the previous sample.
    void sample(const Sample& sample, double t, bool rates);

    uint64_t received() const { return _received; }
    uint64_t sent() const { return _sent; }
    double receivedPerSecond() const { return _receivedPerSecond; }
    double sentPerSecond() const { return _sentPerSecond; }

private:
    Sample _previous;
    bool _hasBytes = false;
    uint64_t _received = 0, _sent = 0;
    double _receivedPerSecond = 0, _sentPerSecond = 0;
    double _readAt = 0;
};
