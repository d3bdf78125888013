#include "Supports/SystemStatus/VLSystemStatusPowerReader.h"

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"
#include "Supports/SystemStatus/VLSystemStatusReading.h"

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kSupplies = "/sys/class/power_supply";

bool isSupplyName(const std::string& name) {
    return name.find('/') == std::string::npos && name != "." && name != "..";
}

} // namespace

std::optional<std::string> VLSystemStatusPowerReader::line(const std::string& supply,
                                                           const char* file) const {
    std::optional<std::string> text = _files.line(std::string(kSupplies) + "/" + supply + "/" + file);
    if (text)
        *text = std::string(VLSystemStatusTrimmed(*text));
    return text;
}

std::optional<int64_t> VLSystemStatusPowerReader::integer(const std::string& supply, const char* file) const {
    return _files.integer(std::string(kSupplies) + "/" + supply + "/" + file);
}

VLDictionary VLSystemStatusPowerReader::batteryDescription(const std::string& supply) const {
    VLDictionary description;
    description.set("Type", "InternalBattery");
    if (std::optional<int64_t> present = integer(supply, "present"))
        description.set("Is Present", *present != 0);
    // The charge in percent, or the energy or charge now and when full.
    std::optional<int64_t> current = integer(supply, "capacity"), maximum = 100;
    for (auto [now, full] :
         {std::pair("energy_now", "energy_full"), std::pair("charge_now", "charge_full")}) {
        if (current)
            break;
        current = integer(supply, now);
        maximum = integer(supply, full);
    }
    if (current && maximum) {
        description.set("Current Capacity", *current);
        description.set("Max Capacity", *maximum);
    }
    std::optional<std::string> status = line(supply, "status");
    description.set("Is Charging", status == "Charging");
    // The kernel counts seconds.
    if (std::optional<int64_t> seconds = integer(supply, "time_to_empty_now"))
        description.set("Time to Empty", *seconds / 60);
    if (std::optional<int64_t> seconds = integer(supply, "time_to_full_now"))
        description.set("Time to Full Charge", *seconds / 60);
    return description;
}

std::optional<int64_t> VLSystemStatusPowerReader::powerMicrowatts(const std::string& supply) const {
    if (std::optional<int64_t> power = integer(supply, "power_now"))
        return power;
    std::optional<int64_t> current = integer(supply, "current_now"), voltage = integer(supply, "voltage_now");
    if (!current || !voltage)
        return std::nullopt;
    // µA × µV is in pW.
    return int64_t(double(*current) * double(*voltage) / 1e6);
}

VLSystemStatusPowerSnapshot VLSystemStatusPowerReader::snapshot() const {
    VLSystemStatusPowerSnapshot snapshot;
    bool externalPower = false;
    std::vector<std::string> batteries;
    std::vector<std::string> batteryStatuses;
    for (const std::string& supply : _files.list(kSupplies)) {
        if (!isSupplyName(supply) || line(supply, "scope") == "Device")
            continue;
        std::optional<std::string> type = line(supply, "type");
        if (type == "Battery") {
            batteries.push_back(supply);
            batteryStatuses.push_back(line(supply, "status").value_or(""));
            continue;
        }
        if ((type == "Mains" || type == "USB") && integer(supply, "online").value_or(0) == 1) {
            externalPower = true;
            std::optional<int64_t> volts = integer(supply, "voltage_max"),
                                   amps = integer(supply, "current_max");
            if (snapshot.adapterDetails.isNil() && volts && amps && *volts > 0 && *amps > 0) {
                VLDictionary details;
                details.set("Watts", double(*volts) / 1e6 * (double(*amps) / 1e6));
                snapshot.adapterDetails = std::move(details);
            }
        }
    }
    // A battery that charges or is full is on external power, even when no supply says so.
    const bool batteryOnPower =
        std::any_of(batteryStatuses.begin(), batteryStatuses.end(), [](const std::string& status) {
            return status == "Charging" || status == "Full" || status == "Not charging";
        });
    snapshot.onBattery = !externalPower && !batteries.empty() && !batteryOnPower;
    for (const std::string& battery : batteries)
        snapshot.sources.push_back(batteryDescription(battery));
    if (snapshot.onBattery && !batteries.empty()) {
        if (std::optional<int64_t> power = powerMicrowatts(batteries.front())) {
            VLDictionary telemetry;
            telemetry.set("SystemPowerIn", 0);
            telemetry.set("SystemLoad", *power / 1000);
            snapshot.telemetry = std::move(telemetry);
        }
    }
    std::optional<std::string> profile = _files.line("/sys/firmware/acpi/platform_profile");
    snapshot.lowPowerMode = profile && VLSystemStatusTrimmed(*profile) == "low-power";
    return snapshot;
}

void VLSystemStatusPowerReader::fill(VLSystemStatusReading& reading,
                                     const VLSystemStatusPowerSnapshot& snapshot) {
    reading.lowPowerMode = snapshot.lowPowerMode;
    const bool onBattery = snapshot.onBattery;
    reading.powerSource = onBattery ? "battery" : "ac";
    for (const VLValue& source : snapshot.sources) {
        if (!source.isDictionary() || source["Type"] != VLValue("InternalBattery"))
            continue;
        const VLValue& present = source["Is Present"];
        if (present.isBool() && !present.boolValue())
            continue;
        reading.hasBattery = true;
        const VLValue &current = source["Current Capacity"], &maximum = source["Max Capacity"];
        if (current.isNumber() && maximum.isNumber() && maximum.doubleValue() > 0)
            reading.batteryLevel = std::clamp(current.doubleValue() / maximum.doubleValue(), 0.0, 1.0);
        const VLValue& charging = source["Is Charging"];
        reading.batteryCharging = charging.isBool() && charging.boolValue();
        reading.batteryFull = !reading.batteryCharging && !onBattery;
        const VLValue &empty = source["Time to Empty"], &full = source["Time to Full Charge"];
        if (onBattery && empty.isNumber() && empty.doubleValue() >= 0)
            reading.timeToEmpty = empty.doubleValue();
        if (!onBattery && reading.batteryCharging && full.isNumber() && full.doubleValue() >= 0)
            reading.timeToFull = full.doubleValue();
        break;
    }
    const VLValue& watts =
        snapshot.adapterDetails.isDictionary() ? snapshot.adapterDetails["Watts"] : VLValue::nil();
    if (!onBattery && watts.isNumber() && watts.doubleValue() > 0)
        reading.adapterWatts = watts.doubleValue();
}
