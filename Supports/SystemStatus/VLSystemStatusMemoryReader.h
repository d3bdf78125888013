#pragma once

#include <cstdint>
#include <optional>
#include <string>

class VLSystemStatusFileReader;

// The memory figures of /proc/meminfo, in bytes; each is nothing when a line it needs is missing.
struct VLSystemStatusMemory {
    std::optional<uint64_t> total;      // MemTotal
    std::optional<uint64_t> app;        // AnonPages + Shmem
    std::optional<uint64_t> wired;      // Unevictable + KernelStack + PageTables + SUnreclaim
    std::optional<uint64_t> compressed; // Zswap
    std::optional<uint64_t> cached;     // Buffers + Cached − Shmem, not below 0
    std::optional<uint64_t> swapUsed;   // SwapTotal − SwapFree, not below 0
};

// Reads memory use, swap-outs and memory pressure from /proc.
class VLSystemStatusMemoryReader {
public:
    explicit VLSystemStatusMemoryReader(const VLSystemStatusFileReader& files) : _files(files) {}

    VLSystemStatusMemory memory() const;
    // The pages swapped out since boot ("pswpout" of /proc/vmstat).
    std::optional<uint64_t> swapOuts() const;
    // From /proc/pressure/memory: "critical" when full avg10 ≥ 10 or some avg10 ≥ 40, "warning" when some
    // avg10 ≥ 10, else "normal"; nothing without the file.
    std::optional<std::string> pressure() const;

private:
    const VLSystemStatusFileReader& _files;
};
