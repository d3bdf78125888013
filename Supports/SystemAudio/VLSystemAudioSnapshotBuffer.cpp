#include "Supports/SystemAudio/VLSystemAudioSnapshotBuffer.h"

namespace {

const float* snapshotValues(const VLSystemAudioSnapshot& snapshot) {
    return snapshot.bands; // the level follows the bands without padding
}

} // namespace

void VLSystemAudioSnapshotBuffer::write(const VLSystemAudioSnapshot& snapshot) {
    uint32_t sequence = _sequence.load(std::memory_order_acquire);
    for (;;) {
        if (sequence & 1) {
            sequence = _sequence.load(std::memory_order_acquire);
            continue;
        }
        if (_sequence.compare_exchange_weak(sequence, sequence | 1, std::memory_order_acquire))
            break;
    }
    // The odd count is visible before any value changes.
    std::atomic_thread_fence(std::memory_order_release);
    const float* values = snapshotValues(snapshot);
    for (size_t index = 0; index < _values.size(); ++index)
        _values[index].store(values[index], std::memory_order_relaxed);
    _sequence.store(sequence + 2, std::memory_order_release);
}

void VLSystemAudioSnapshotBuffer::read(VLSystemAudioSnapshot& snapshot) const {
    auto* values = reinterpret_cast<float*>(&snapshot);
    for (;;) {
        const uint32_t sequence = _sequence.load(std::memory_order_acquire);
        if (sequence & 1)
            continue;
        for (size_t index = 0; index < _values.size(); ++index)
            values[index] = _values[index].load(std::memory_order_relaxed);
        // The values are read before the count is checked again.
        std::atomic_thread_fence(std::memory_order_acquire);
        if (_sequence.load(std::memory_order_relaxed) == sequence)
            return;
    }
}

void VLSystemAudioSnapshotBuffer::clear() {
    write(VLSystemAudioSnapshot());
}
