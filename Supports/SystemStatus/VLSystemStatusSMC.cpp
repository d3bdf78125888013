#include "Supports/SystemStatus/VLSystemStatusSMC.h"

#include "Core/Engine/Log/VLLog.h"
#include "Supports/SystemStatus/VLSMCTransport.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr const char* kSMCLogTag = "VLSystemStatusMonitor";
constexpr uint32_t kPower = VLFourCharCode("PSTR");
constexpr uint32_t kKeyCount = VLFourCharCode("#KEY");
constexpr uint32_t kMostKeys = 10000;

} // namespace

VLSystemStatusSMC::VLSystemStatusSMC(std::shared_ptr<VLSMCTransport> transport)
    : _transport(std::move(transport)) {}

VLSystemStatusSMC::~VLSystemStatusSMC() {
    close();
}

bool VLSystemStatusSMC::call(const VLSMCParamRecord& input, VLSMCParamRecord& output) {
    output = VLSMCParamRecord();
    return _transport->callStructMethod(kVLSMCSelector, input, output) == 0 && output.result == 0;
}

bool VLSystemStatusSMC::keyInfo(uint32_t key, VLSMCKeyRecord& info) {
    VLSMCParamRecord input, output;
    input.key = key;
    input.data8 = kVLSMCKeyInfo;
    if (!call(input, output))
        return false;
    info = {key, output.dataType, output.dataSize};
    return true;
}

bool VLSystemStatusSMC::readBytes(uint32_t key, uint32_t size, uint8_t* bytes) {
    if (size > sizeof(VLSMCParamRecord::bytes))
        return false;
    VLSMCParamRecord input, output;
    input.key = key;
    input.dataSize = size;
    input.data8 = kVLSMCReadBytes;
    if (!call(input, output))
        return false;
    std::memcpy(bytes, output.bytes, size);
    return true;
}

std::vector<VLSMCKeyRecord> VLSystemStatusSMC::listTemperatureKeys() {
    std::vector<VLSMCKeyRecord> records;
    VLSMCKeyRecord info;
    uint8_t count[4];
    if (!keyInfo(kKeyCount, info) || info.size != 4 || !readBytes(kKeyCount, 4, count))
        return records;
    const uint32_t keys =
        uint32_t(count[0]) << 24 | uint32_t(count[1]) << 16 | uint32_t(count[2]) << 8 | count[3];
    for (uint32_t index = 0; index < std::min(keys, kMostKeys); ++index) {
        VLSMCParamRecord input, output;
        input.data8 = kVLSMCKeyByIndex;
        input.data32 = index;
        if (!call(input, output) || char(output.key >> 24) != 'T')
            continue;
        if (keyInfo(output.key, info))
            records.push_back(info);
    }
    return records;
}

void VLSystemStatusSMC::open() {
    if (_unavailable || _open)
        return;
    if (!_transport || !_transport->findService()) {
        _unavailable = true;
        VLLogInfo(kSMCLogTag,
                  "No SMC: no temperature, and what the Mac draws comes from the battery's telemetry, "
                  "if it has one");
        return;
    }
    if (int error = _transport->open(); error != 0) {
        _unavailable = true;
        VLLogInfo(
            kSMCLogTag,
            "Can't open the SMC (0x%x): no temperature, and what the Mac draws comes from the battery's "
            "telemetry, if it has one",
            error);
        return;
    }
    _open = true;
    VLSMCKeyRecord power;
    _hasPower = keyInfo(kPower, power) && power.type == VLSMCFloatType && power.size == 4;
    if (!_hasPower)
        VLLogInfo(kSMCLogTag,
                  "The SMC has no PSTR as a float: what the Mac draws comes from the battery's telemetry, "
                  "if it has one");
    if (!_keysListed) {
        _keysListed = true;
        std::vector<VLSMCKeyRecord> listed = listTemperatureKeys();
        _temperatureKeys = VLSystemStatusTemperatureKeys(listed.data(), listed.size());
        std::string names;
        for (const VLSMCKeyRecord& record : _temperatureKeys) {
            if (!names.empty())
                names += " ";
            names += VLStringWithFormat("%c%c%c%c", char(record.key >> 24), char(record.key >> 16),
                                        char(record.key >> 8), char(record.key));
        }
        VLLogInfo(kSMCLogTag, "The processor's temperature from %lu SMC keys: %@", _temperatureKeys.size(),
                  names);
    }
    if (!_hasPower && _temperatureKeys.empty()) {
        _unavailable = true;
        close();
    }
}

void VLSystemStatusSMC::close() {
    if (!_open)
        return;
    _transport->close();
    _open = false;
}

std::optional<double> VLSystemStatusSMC::temperature() {
    if (!_open || _temperatureKeys.empty())
        return std::nullopt;
    std::vector<double> values;
    for (const VLSMCKeyRecord& record : _temperatureKeys) {
        uint8_t bytes[32] = {};
        values.push_back(readBytes(record.key, record.size, bytes)
                             ? VLSystemStatusSMCTemperature(record.type, record.size, bytes)
                             : NAN);
    }
    return VLSystemStatusAverageTemperature(values.data(), values.size());
}

std::optional<double> VLSystemStatusSMC::systemWatts() {
    uint8_t bytes[4];
    if (!_open || !_hasPower || !readBytes(kPower, 4, bytes))
        return std::nullopt;
    float watts;
    std::memcpy(&watts, bytes, sizeof watts);
    if (!std::isfinite(watts) || watts <= 0 || watts > 1000.0f)
        return std::nullopt;
    return double(watts);
}
