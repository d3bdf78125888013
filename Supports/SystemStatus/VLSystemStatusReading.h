#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One logical processor of a reading.
struct VLSystemStatusCore {
    double usage = 0;        // 0…1
    bool efficiency = false; // the processor is one of the efficiency cores
};

// One reading of the machine, made by the system-status monitor on its queue and never changed once
// handed out (readers get it as a shared pointer to const), so any thread may read it.
class VLSystemStatusReading {
public:
    uint64_t generation = 0; // the monitor's count of readings; the first is 1
    double bootTime = 0;     // milliseconds since 1970, whole minutes

    double cpuUsage = 0; // 0…1 since the previous tick sample

    // Bytes.
    uint64_t memoryTotal = 0;
    uint64_t memoryApp = 0;
    uint64_t memoryWired = 0;
    uint64_t memoryCompressed = 0;
    uint64_t memoryCached = 0;
    uint64_t swapUsed = 0;
    std::string memoryPressure = "normal"; // "normal", "warning" or "critical"
    bool swapping = false;                 // a swap-out was seen within the last 10 s

    bool online = false;
    std::optional<std::string> networkInterface; // "wifi", "ethernet", "cellular" or "other"; none offline
    bool expensive = false;
    uint64_t received = 0; // bytes since the monitor first counted
    uint64_t sent = 0;
    double receivedPerSecond = 0;
    double sentPerSecond = 0;

    std::string powerSource = "ac"; // "battery" or "ac"
    bool hasBattery = false;
    double batteryLevel = 0; // 0…1
    bool batteryCharging = false;
    bool batteryFull = false;
    std::optional<double> timeToEmpty;  // minutes, only on battery
    std::optional<double> timeToFull;   // minutes, only on AC while charging
    std::optional<double> adapterWatts; // only on AC
    std::optional<double> systemWatts;  // what the machine draws
    bool lowPowerMode = false;

    std::string thermal = "nominal";   // "nominal", "fair", "serious" or "critical"
    std::optional<double> temperature; // the processors', °C with one decimal

    uint64_t diskTotal = 0; // whole 10^9 bytes
    uint64_t diskAvailable = 0;

    // Efficiency cores first, then performance cores, each group by processor number.
    size_t coreCount() const { return _cores.size(); }
    // The caller keeps the index below coreCount().
    VLSystemStatusCore coreAtIndex(size_t index) const { return _cores[index]; }
    void setCores(std::vector<VLSystemStatusCore> cores) { _cores = std::move(cores); }

private:
    std::vector<VLSystemStatusCore> _cores;
};
