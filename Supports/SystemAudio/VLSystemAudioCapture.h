#pragma once

#include "Supports/SystemAudio/VLSystemAudioAnalyzer.h"

#include <atomic>
#include <cstdint>

// One running capture: its analyzer and what the IO thread last saw. The monitor's queue owns it; the
// IO thread writes the two times and runs the analyzer, until the backend's capture stops.
struct VLSystemAudioCapture {
    explicit VLSystemAudioCapture(double sampleRate) : analyzer(sampleRate) {}

    VLSystemAudioAnalyzer analyzer;
    // Clock nanoseconds of the last buffer whose peak exceeded 0.001, and of the last buffer; 0 = never.
    std::atomic<uint64_t> soundAt{0};
    std::atomic<uint64_t> callbackAt{0};
    std::atomic<bool> retired{false};
};
