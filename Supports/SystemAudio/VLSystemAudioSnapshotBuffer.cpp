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
    // Released values carry the odd count with them: a reader that sees one of them sees the count moved.
    const float* values = snapshotValues(snapshot);
    for (size_t index = 0; index < _values.size(); ++index)
        _values[index].store(values[index], std::memory_order_release);
    _sequence.store(sequence + 2, std::memory_order_release);
}

void VLSystemAudioSnapshotBuffer::read(VLSystemAudioSnapshot& snapshot) const {
    auto* values = reinterpret_cast<float*>(&snapshot);
    for (;;) {
        const uint32_t sequence = _sequence.load(std::memory_order_acquire);
        if (sequence & 1)
            continue;
        // Acquired, so that the count is checked again only after the values were read.
        for (size_t index = 0; index < _values.size(); ++index)
            values[index] = _values[index].load(std::memory_order_acquire);
        if (_sequence.load(std::memory_order_relaxed) == sequence)
            return;
    }
}

void VLSystemAudioSnapshotBuffer::clear() {
    write(VLSystemAudioSnapshot());
}
