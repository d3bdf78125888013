#pragma once

#include "Supports/SystemAudio/VLSystemAudioAnalysis.h"

#include <array>
#include <atomic>
#include <cstdint>

// One snapshot behind a sequence counter that is even while the snapshot is stable and odd while a
// writer copies into it. Any number of writers and readers on any threads; nobody blocks, a reader
// copies again when a write overlapped its copy. Starts zeroed.
class VLSystemAudioSnapshotBuffer final {
public:
    void write(const VLSystemAudioSnapshot& snapshot);
    void read(VLSystemAudioSnapshot& snapshot) const;
    // Writes zeros.
    void clear();

private:
    std::atomic<uint32_t> _sequence{0};
    // Atomic words, so that a copy racing a write is merely discarded, never undefined; on the processors
    // built for, their release stores and acquire loads are plain moves.
    std::array<std::atomic<float>, VLSystemAudioFrameLength> _values{};
};
