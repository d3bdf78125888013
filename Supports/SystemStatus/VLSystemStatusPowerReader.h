#pragma once

#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>

class VLSystemStatusFileReader;
class VLSystemStatusReading;

// The power supplies as the status rules read them.
struct VLSystemStatusPowerSnapshot {
    // No online mains or USB supply, and a battery that is not charging or full.
    bool onBattery = false;
    // One description per battery of the machine (scope other than "Device"): "Type" "InternalBattery",
    // "Is Present", "Current Capacity" and "Max Capacity", "Is Charging", and "Time to Empty" and
    // "Time to Full Charge" in minutes, each when known.
    VLArray sources;
    // The external adapter's "Watts" (voltage_max × current_max of the online supply); nil without one.
    VLValue adapterDetails;
    // On battery: {"SystemPowerIn": 0, "SystemLoad": the battery's power_now in mW}; nil otherwise.
    VLValue telemetry;
    // /sys/firmware/acpi/platform_profile is "low-power".
    bool lowPowerMode = false;
};

// Reads the power supplies from /sys/class/power_supply, and the platform profile.
class VLSystemStatusPowerReader {
public:
    explicit VLSystemStatusPowerReader(const VLSystemStatusFileReader& files) : _files(files) {}

    VLSystemStatusPowerSnapshot snapshot() const;

    // Fills the power fields of a reading (all but systemWatts) from a snapshot.
    static void fill(VLSystemStatusReading& reading, const VLSystemStatusPowerSnapshot& snapshot);

private:
    // A supply's file, by the supply's folder name.
    std::optional<std::string> line(const std::string& supply, const char* file) const;
    std::optional<int64_t> integer(const std::string& supply, const char* file) const;
    VLDictionary batteryDescription(const std::string& supply) const;
    std::optional<int64_t> powerMicrowatts(const std::string& supply) const;

    const VLSystemStatusFileReader& _files;
};
