#pragma once

#include <cstdint>

// What content may still post on its BroadcastChannels: two token buckets, of messages and of bytes,
// that fill continuously up to a second's worth (240 messages, 16 MiB) and are full at first.
// Belongs to the thread that posts: the runtime's JavaScript thread.
class VLBroadcastAllowance {
public:
    static constexpr double kMessagesPerSecond = 240;
    static constexpr double kBytesPerSecond = 16777216;

    // Refills for the time since the last call, then takes one message of that size; false, taking
    // nothing, when either bucket holds too little. `now` is in seconds of the engine's clock.
    bool take(double now, uint64_t size);

private:
    double _messageAllowance = kMessagesPerSecond;
    double _byteAllowance = kBytesPerSecond;
    // Of the last post; 0 before any.
    double _allowanceTime = 0;
};
