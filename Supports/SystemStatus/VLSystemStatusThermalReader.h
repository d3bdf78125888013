#pragma once

#include <string>

class VLSystemStatusFileReader;

// Reads the thermal state from the trip points of /sys/class/thermal.
class VLSystemStatusThermalReader {
public:
    explicit VLSystemStatusThermalReader(const VLSystemStatusFileReader& files) : _files(files) {}

    // After the highest trip point that a zone's temperature has reached: "critical" for a critical or hot
    // one, "serious" for a passive one, "fair" for an active one; "nominal" when none is reached.
    std::string state() const;

private:
    const VLSystemStatusFileReader& _files;
};
