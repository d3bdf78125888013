#include "Supports/SystemStatus/VLSystemStatusSMCFunctions.h"

#include "Supports/SystemStatus/VLSMCTransport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr uint32_t kSP78 = VLFourCharCode("sp78");

char character(uint32_t key, int index) {
    return char(key >> (24 - 8 * index));
}

bool isTemperatureType(const VLSMCKeyRecord& record) {
    return (record.size == 4 && record.type == VLSMCFloatType) || (record.size == 2 && record.type == kSP78);
}

bool ruleOne(const VLSMCKeyRecord& record) {
    const char second = character(record.key, 1);
    return record.size == 4 && record.type == VLSMCFloatType && character(record.key, 0) == 'T' &&
           (second == 'p' || second == 'e' || second == 'f');
}

bool ruleTwo(const VLSMCKeyRecord& record) {
    const char third = character(record.key, 2);
    return isTemperatureType(record) && character(record.key, 0) == 'T' && character(record.key, 1) == 'C' &&
           third >= '0' && third <= '9' && character(record.key, 3) == 'C';
}

bool ruleThree(const VLSMCKeyRecord& record) {
    const char fourth = character(record.key, 3);
    return isTemperatureType(record) &&
           (record.key == VLFourCharCode("TC0P") || ((record.key >> 8) == (VLFourCharCode("TC0 ") >> 8) &&
                                                     (fourth == 'D' || fourth == 'E' || fourth == 'F')));
}

// The number of a telemetry entry, in milliwatts.
std::optional<int64_t> milliwatts(const VLValue& telemetry, std::string_view key) {
    const VLValue& value = telemetry[key];
    if (!value.isNumber())
        return std::nullopt;
    if (value.isInteger())
        return value.integerValue();
    const double number = value.doubleValue();
    if (!std::isfinite(number) || std::fabs(number) >= 9.2e18)
        return std::nullopt;
    return int64_t(number);
}

} // namespace

std::vector<VLSMCKeyRecord> VLSystemStatusTemperatureKeys(const VLSMCKeyRecord* records, size_t count) {
    for (bool (*rule)(const VLSMCKeyRecord&) : {ruleOne, ruleTwo, ruleThree}) {
        std::vector<VLSMCKeyRecord> kept;
        for (size_t index = 0; index < count; ++index) {
            if (rule(records[index]))
                kept.push_back(records[index]);
        }
        if (!kept.empty())
            return kept;
    }
    return {};
}

double VLSystemStatusSMCTemperature(uint32_t type, uint32_t size, const uint8_t* bytes) {
    if (type == VLSMCFloatType && size == 4) {
        float value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    if (type == kSP78 && size == 2)
        return double(int16_t(uint16_t(bytes[0] << 8 | bytes[1]))) / 256.0;
    return std::numeric_limits<double>::quiet_NaN();
}

std::optional<double> VLSystemStatusAverageTemperature(const double* values, size_t count) {
    double sum = 0;
    size_t plausible = 0;
    for (size_t index = 0; index < count; ++index) {
        if (std::isfinite(values[index]) && values[index] >= 10.0 && values[index] <= 130.0) {
            sum += values[index];
            ++plausible;
        }
    }
    if (plausible == 0)
        return std::nullopt;
    return std::round(sum / double(plausible) * 10) / 10;
}

std::optional<double> VLSystemStatusTelemetryWatts(const VLValue& telemetry, bool onBattery) {
    if (!telemetry.isDictionary())
        return std::nullopt;
    std::optional<int64_t> powerIn = milliwatts(telemetry, "SystemPowerIn");
    std::optional<int64_t> value;
    if (onBattery) {
        if (!powerIn || *powerIn > 0)
            return std::nullopt;
        value = milliwatts(telemetry, "SystemLoad");
    } else {
        if (!powerIn)
            return std::nullopt;
        const int64_t battery = std::max<int64_t>(milliwatts(telemetry, "BatteryPower").value_or(0), 0);
        int64_t difference = 0;
        if (__builtin_sub_overflow(*powerIn, battery, &difference))
            return std::nullopt;
        value = difference;
    }
    if (!value || *value < 1 || *value > 1000000)
        return std::nullopt;
    return double(*value) / 1000.0;
}
