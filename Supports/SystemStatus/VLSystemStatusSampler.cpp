#include "Supports/SystemStatus/VLSystemStatusSampler.h"

#include "Supports/SystemStatus/VLSystemStatusMemoryReader.h"
#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"
#include "Supports/SystemStatus/VLSystemStatusPowerReader.h"
#include "Supports/SystemStatus/VLSystemStatusProcessorReader.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"
#include "Supports/SystemStatus/VLSystemStatusSMCFunctions.h"
#include "Supports/SystemStatus/VLSystemStatusThermalReader.h"

#include <sys/statvfs.h>

#include <cmath>

namespace {

// Swap-outs within this many seconds count as swapping; older counters are not compared.
constexpr double kSwapWindow = 10.0;
constexpr double kDiskInterval = 10.0;

} // namespace

VLSystemStatusSampler::VLSystemStatusSampler(std::string root, std::shared_ptr<VLSMCTransport> smc)
    : _files(std::move(root)), _smc(std::move(smc)),
      _processors(VLSystemStatusProcessorReader(_files).topology()) {}

void VLSystemStatusSampler::baseline(double now) {
    _processors.sample(VLSystemStatusProcessorReader(_files).ticks(), nullptr);
    _interfaces.sample(VLSystemStatusNetworkReader(_files).interfaceBytes(), now, false);
}

void VLSystemStatusSampler::fill(VLSystemStatusReading& reading, double now, const VLSystemStatusPath& path) {
    _processors.sample(VLSystemStatusProcessorReader(_files).ticks(), &reading);
    readMemory(reading, now);
    reading.online = path.online;
    reading.networkInterface = path.interface;
    reading.expensive = path.expensive;
    _interfaces.sample(VLSystemStatusNetworkReader(_files).interfaceBytes(), now, true);
    reading.received = _interfaces.received();
    reading.sent = _interfaces.sent();
    reading.receivedPerSecond = _interfaces.receivedPerSecond();
    reading.sentPerSecond = _interfaces.sentPerSecond();
    readPower(reading);
    reading.temperature = _smc.temperature();
    readDisk(reading, now);
    reading.thermal = VLSystemStatusThermalReader(_files).state();
}

void VLSystemStatusSampler::readMemory(VLSystemStatusReading& reading, double now) {
    const VLSystemStatusMemoryReader reader(_files);
    const VLSystemStatusMemory memory = reader.memory();
    reading.memoryTotal = memory.total.value_or(0);
    reading.memoryApp = memory.app.value_or(0);
    reading.memoryWired = memory.wired.value_or(0);
    reading.memoryCompressed = memory.compressed.value_or(0);
    reading.memoryCached = memory.cached.value_or(0);
    reading.swapUsed = memory.swapUsed.value_or(0);
    if (std::optional<uint64_t> swapouts = reader.swapOuts()) {
        if (_previousSwapoutsAt && *swapouts > _previousSwapouts && now - *_previousSwapoutsAt <= kSwapWindow)
            _lastSwapoutAt = now;
        _previousSwapouts = *swapouts;
        _previousSwapoutsAt = now;
    }
    reading.swapping = _lastSwapoutAt && now - *_lastSwapoutAt <= kSwapWindow;
    reading.memoryPressure = reader.pressure().value_or("normal");
}

void VLSystemStatusSampler::readPower(VLSystemStatusReading& reading) {
    const VLSystemStatusPowerSnapshot snapshot = VLSystemStatusPowerReader(_files).snapshot();
    VLSystemStatusPowerReader::fill(reading, snapshot);
    reading.systemWatts = _smc.systemWatts();
    if (!reading.systemWatts)
        reading.systemWatts = VLSystemStatusTelemetryWatts(snapshot.telemetry, snapshot.onBattery);
}

void VLSystemStatusSampler::readDisk(VLSystemStatusReading& reading, double now) {
    if (!_diskReadAt || now - *_diskReadAt >= kDiskInterval) {
        _diskReadAt = now;
        struct statvfs volume;
        if (::statvfs(_files.pathOf("/").c_str(), &volume) == 0) {
            const double total = double(volume.f_blocks) * double(volume.f_frsize);
            _diskTotal = uint64_t(std::round(total / 1e9) * 1e9);
            _diskAvailable = uint64_t(volume.f_bavail) * uint64_t(volume.f_frsize);
        }
    }
    reading.diskTotal = _diskTotal;
    reading.diskAvailable = _diskAvailable;
}
