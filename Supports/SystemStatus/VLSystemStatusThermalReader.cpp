#include "Supports/SystemStatus/VLSystemStatusThermalReader.h"

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <algorithm>
#include <optional>

namespace {

constexpr const char* kStates[] = {"nominal", "fair", "serious", "critical"};

int levelOfTripType(std::string_view type) {
    if (type == "critical" || type == "hot")
        return 3;
    if (type == "passive")
        return 2;
    return type == "active" ? 1 : 0;
}

} // namespace

std::string VLSystemStatusThermalReader::state() const {
    int level = 0;
    for (const std::string& zone : _files.list("/sys/class/thermal")) {
        if (!zone.starts_with("thermal_zone"))
            continue;
        const std::string folder = "/sys/class/thermal/" + zone + "/";
        std::optional<int64_t> temperature = _files.integer(folder + "temp");
        if (!temperature)
            continue;
        for (int trip = 0;; ++trip) {
            const std::string prefix = folder + "trip_point_" + std::to_string(trip);
            std::optional<std::string> type = _files.line(prefix + "_type");
            if (!type)
                break;
            // Trip points at or below 0 m°C are disabled ones.
            std::optional<int64_t> at = _files.integer(prefix + "_temp");
            if (at && *at > 0 && *temperature >= *at)
                level = std::max(level, levelOfTripType(VLSystemStatusTrimmed(*type)));
        }
    }
    return kStates[level];
}
