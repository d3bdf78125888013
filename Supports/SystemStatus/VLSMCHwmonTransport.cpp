#include "Supports/SystemStatus/VLSMCHwmonTransport.h"

#include "Platform/Foundation/VLStringWithFormat.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>

namespace {

constexpr uint32_t kKeyCount = VLFourCharCode("#KEY");
constexpr uint32_t kUnsigned32 = VLFourCharCode("ui32");
// The SMC's answer for a key it does not have.
constexpr uint8_t kKeyNotFound = 0x84;
constexpr size_t kMostTemperatures = 100;

const std::set<std::string, std::less<>> kProcessorSensors = {"coretemp", "k10temp", "zenpower",
                                                              "cpu_thermal"};

// The N of "tempN_input"; nothing for other names.
std::optional<int64_t> temperatureInput(std::string_view name) {
    if (!name.starts_with("temp") || !name.ends_with("_input"))
        return std::nullopt;
    return VLSystemStatusParseInteger(name.substr(4, name.size() - 4 - 6));
}

} // namespace

VLSMCHwmonTransport::VLSMCHwmonTransport(std::string root) : _files(std::move(root)) {}

void VLSMCHwmonTransport::findKeys() {
    _keys.clear();
    std::optional<Key> power;
    for (const std::string& monitor : _files.list("/sys/class/hwmon")) {
        if (monitor.find('/') != std::string::npos || monitor == "." || monitor == "..")
            continue;
        const std::string folder = "/sys/class/hwmon/" + monitor + "/";
        std::optional<std::string> name = _files.line(folder + "name");
        if (!name)
            continue;
        const std::string_view sensor = VLSystemStatusTrimmed(*name);
        if (sensor == "power_meter" && !power && _files.exists(folder + "power1_input")) {
            // µW.
            power = Key{VLFourCharCode("PSTR"), folder + "power1_input", 1e-6};
            continue;
        }
        if (!kProcessorSensors.contains(sensor))
            continue;
        std::vector<std::pair<int64_t, std::string>> inputs;
        for (const std::string& file : _files.list(folder)) {
            if (std::optional<int64_t> number = temperatureInput(file))
                inputs.emplace_back(*number, file);
        }
        std::sort(inputs.begin(), inputs.end());
        for (const auto& [number, file] : inputs) {
            if (_keys.size() == kMostTemperatures)
                break;
            // m°C.
            const std::string code = VLStringWithFormat("Tp%02lu", _keys.size());
            _keys.push_back({VLFourCharCode(code), folder + file, 1e-3});
        }
    }
    if (power)
        _keys.push_back(*power);
}

bool VLSMCHwmonTransport::findService() {
    findKeys();
    return !_keys.empty();
}

int VLSMCHwmonTransport::open() {
    return _keys.empty() ? ENODEV : 0;
}

const VLSMCHwmonTransport::Key* VLSMCHwmonTransport::keyNamed(uint32_t key) const {
    auto found = std::find_if(_keys.begin(), _keys.end(),
                              [key](const Key& candidate) { return candidate.key == key; });
    return found == _keys.end() ? nullptr : &*found;
}

void VLSMCHwmonTransport::read(const VLSMCParamRecord& input, VLSMCParamRecord& output) const {
    if (input.key == kKeyCount) {
        const uint32_t count = uint32_t(_keys.size());
        const uint8_t bytes[4] = {uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8),
                                  uint8_t(count)};
        std::memcpy(output.bytes, bytes, std::min<size_t>(input.dataSize, 4));
        return;
    }
    const Key* key = keyNamed(input.key);
    std::optional<int64_t> value = key ? _files.integer(key->path) : std::nullopt;
    if (!value || input.dataSize > 4) {
        output.result = kKeyNotFound;
        return;
    }
    const float number = float(double(*value) * key->scale);
    std::memcpy(output.bytes, &number, std::min<size_t>(input.dataSize, sizeof number));
}

int VLSMCHwmonTransport::callStructMethod(uint32_t selector, const VLSMCParamRecord& input,
                                          VLSMCParamRecord& output) {
    if (selector != kVLSMCSelector)
        return EINVAL;
    output = VLSMCParamRecord();
    output.key = input.key;
    switch (input.data8) {
    case kVLSMCKeyInfo:
        if (input.key == kKeyCount) {
            output.dataType = kUnsigned32;
            output.dataSize = 4;
        } else if (keyNamed(input.key)) {
            output.dataType = VLSMCFloatType;
            output.dataSize = 4;
        } else {
            output.result = kKeyNotFound;
        }
        return 0;
    case kVLSMCReadBytes:
        read(input, output);
        return 0;
    case kVLSMCKeyByIndex:
        if (input.data32 < _keys.size())
            output.key = _keys[input.data32].key;
        else
            output.result = kKeyNotFound;
        return 0;
    default:
        return EINVAL;
    }
}
