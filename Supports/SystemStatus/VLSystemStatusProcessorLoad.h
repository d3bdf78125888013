#pragma once

#include "Supports/SystemStatus/VLSystemStatusProcessorReader.h"

#include <optional>
#include <unordered_map>
#include <vector>

class VLSystemStatusReading;

// The processor load between two samples of the tick counters, overall and per core. Counters are
// matched by processor number, never by position, so that a processor going offline (and leaving
// /proc/stat) does not hand its neighbours' counters to each other: it keeps its last usage instead.
//
// Not thread-safe: the monitor uses it on its queue only.
class VLSystemStatusProcessorLoad {
public:
    // The cores of the readings, in their order.
    explicit VLSystemStatusProcessorLoad(const std::vector<VLProcessorKind>& cores);

    // Takes a sample (nothing when the counters could not be read: the usages stay). With a reading,
    // computes the usages since the previous sample and fills the reading's cores and cpuUsage.
    void sample(const std::optional<std::vector<VLProcessorTicks>>& ticks, VLSystemStatusReading* reading);

private:
    struct Core {
        VLProcessorKind kind;
        uint32_t busy = 0;
        uint32_t total = 0;
        double usage = 0;
        bool counted = false; // whether busy and total hold a sample
    };

    std::vector<Core> _cores;                        // in the readings' order
    std::unordered_map<uint32_t, size_t> _positions; // processor number → index in _cores
    double _usage = 0;
};
