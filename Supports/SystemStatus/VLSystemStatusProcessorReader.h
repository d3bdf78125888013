#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class VLSystemStatusFileReader;

// The tick counters of one logical processor, cut to 32 bits, so that differences wrap safely.
struct VLProcessorTicks {
    uint32_t number = 0; // N of the "cpuN" line
    uint32_t busy = 0;   // user + nice + system + irq + softirq + steal
    uint32_t total = 0;  // busy + idle + iowait
};

// A logical processor and its kind.
struct VLProcessorKind {
    uint32_t number = 0;
    bool efficiency = false;
};

// Reads the processors from /proc/stat and /sys: their tick counters, which are efficiency cores, and
// the boot time.
class VLSystemStatusProcessorReader {
public:
    explicit VLSystemStatusProcessorReader(const VLSystemStatusFileReader& files) : _files(files) {}

    // One entry per processor online, in the file's order; nothing when /proc/stat cannot be read.
    std::optional<std::vector<VLProcessorTicks>> ticks() const;
    // The processors that /proc/stat lists (else as many as are online, numbered from 0), efficiency
    // cores first, then performance cores, each group by number. Efficiency cores are those that
    // /sys/devices/cpu_atom/cpus lists on a hybrid processor, else those whose cpu_capacity is below
    // the highest; without either, every core counts as a performance core.
    std::vector<VLProcessorKind> topology() const;
    // The boot time ("btime") in milliseconds since 1970, rounded to whole minutes; 0 when unknown.
    double bootTime() const;

private:
    std::vector<bool> efficiencyFlags(const std::vector<uint32_t>& numbers) const;

    const VLSystemStatusFileReader& _files;
};
