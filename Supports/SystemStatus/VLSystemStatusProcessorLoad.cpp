#include "Supports/SystemStatus/VLSystemStatusProcessorLoad.h"

#include "Supports/SystemStatus/VLSystemStatusReading.h"

#include <algorithm>

VLSystemStatusProcessorLoad::VLSystemStatusProcessorLoad(const std::vector<VLProcessorKind>& cores) {
    for (const VLProcessorKind& kind : cores) {
        _positions.emplace(kind.number, _cores.size());
        _cores.push_back({kind});
    }
}

void VLSystemStatusProcessorLoad::sample(const std::optional<std::vector<VLProcessorTicks>>& ticks,
                                         VLSystemStatusReading* reading) {
    if (ticks) {
        uint64_t busySum = 0, totalSum = 0;
        for (const VLProcessorTicks& processor : *ticks) {
            auto position = _positions.find(processor.number);
            if (position == _positions.end())
                continue; // came online after the monitor was made
            Core& core = _cores[position->second];
            // Unsigned 32-bit differences stay right across a wrap of the counters.
            const uint32_t busy = processor.busy - core.busy;
            const uint32_t total = processor.total - core.total;
            const bool counted = core.counted;
            core.busy = processor.busy;
            core.total = processor.total;
            core.counted = true;
            if (!counted)
                continue;
            if (reading && total != 0)
                core.usage = std::clamp(double(busy) / double(total), 0.0, 1.0);
            busySum += busy;
            totalSum += total;
        }
        if (reading && totalSum != 0)
            _usage = std::clamp(double(busySum) / double(totalSum), 0.0, 1.0);
    }
    if (!reading)
        return;
    std::vector<VLSystemStatusCore> cores;
    cores.reserve(_cores.size());
    for (const Core& core : _cores)
        cores.push_back({core.usage, core.kind.efficiency});
    reading->setCores(std::move(cores));
    reading->cpuUsage = _usage;
}
