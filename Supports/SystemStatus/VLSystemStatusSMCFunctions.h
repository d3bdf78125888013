#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A key of the SMC with its data type and size.
struct VLSMCKeyRecord {
    uint32_t key = 0;
    uint32_t type = 0;
    uint32_t size = 0;

    friend bool operator==(const VLSMCKeyRecord&, const VLSMCKeyRecord&) = default;
};
static_assert(sizeof(VLSMCKeyRecord) == 12);

// The keys that stand for the processor's temperature, in list order, by the first rule that keeps any:
// 1. "flt " of size 4 named 'T' then 'p', 'e' or 'f';
// 2. a temperature type ("flt " of size 4, "sp78" of size 2) named 'T', 'C', a digit, 'C';
// 3. a temperature type named "TC0P", "TC0D", "TC0E" or "TC0F".
// Empty when no rule keeps one.
std::vector<VLSMCKeyRecord> VLSystemStatusTemperatureKeys(const VLSMCKeyRecord* records, size_t count);

// A temperature in °C: a "flt " of size 4 as a float in host order, an "sp78" of size 2 as a big-endian
// signed 16-bit integer / 256; NaN for any other type or size.
double VLSystemStatusSMCTemperature(uint32_t type, uint32_t size, const uint8_t* bytes);

// The mean of the finite values from 10 to 130 °C, rounded to one decimal (halves away from zero);
// nothing when no value is plausible.
std::optional<double> VLSystemStatusAverageTemperature(const double* values, size_t count);

// Watts from a battery's telemetry (numbers in milliwatts): on battery "SystemLoad", when
// "SystemPowerIn" is present and at most 0; on AC "SystemPowerIn" − "BatteryPower" (a missing or
// negative BatteryPower counts as 0). Nothing for anything but a dictionary, or a value outside 1 to
// 1000000 mW.
std::optional<double> VLSystemStatusTelemetryWatts(const VLValue& telemetry, bool onBattery);
