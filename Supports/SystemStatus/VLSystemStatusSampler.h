#pragma once

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"
#include "Supports/SystemStatus/VLSystemStatusInterfaceBytes.h"
#include "Supports/SystemStatus/VLSystemStatusProcessorLoad.h"
#include "Supports/SystemStatus/VLSystemStatusSMC.h"

#include <memory>
#include <optional>
#include <string>

class VLSMCTransport;
class VLSystemStatusReading;
struct VLSystemStatusPath;

// What a reading of the machine reads and what it keeps between readings: the processor and interface
// counters, the swap-outs seen, the disk's capacity (read at most every 10 s) and the SMC. The system-
// status monitor decides when; this reads. Times are seconds of the monitor's clock.
//
// Not thread-safe: the monitor uses it on its queue only.
class VLSystemStatusSampler {
public:
    // The processor topology is read here, once.
    VLSystemStatusSampler(std::string root, std::shared_ptr<VLSMCTransport> smc);

    VLSystemStatusFileReader& files() { return _files; }
    VLSystemStatusSMC& smc() { return _smc; }

    // The counters, without a reading.
    void baseline(double now);
    // Every field but the generation and the boot time; the network path is the monitor's.
    void fill(VLSystemStatusReading& reading, double now, const VLSystemStatusPath& path);

private:
    void readMemory(VLSystemStatusReading& reading, double now);
    void readPower(VLSystemStatusReading& reading);
    void readDisk(VLSystemStatusReading& reading, double now);

    VLSystemStatusFileReader _files;
    VLSystemStatusSMC _smc;
    VLSystemStatusProcessorLoad _processors;
    VLSystemStatusInterfaceBytes _interfaces;
    uint64_t _previousSwapouts = 0;
    std::optional<double> _previousSwapoutsAt;
    std::optional<double> _lastSwapoutAt;
    uint64_t _diskTotal = 0, _diskAvailable = 0;
    std::optional<double> _diskReadAt;
};
