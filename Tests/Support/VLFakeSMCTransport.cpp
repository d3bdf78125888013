#include "Tests/Support/VLFakeSMCTransport.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kKeyNotFound = 0x84;

} // namespace

VLFakeSMCTransport::Key VLFakeSMCTransport::floatKey(std::string name, float value) {
    std::vector<uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return {std::move(name), "flt ", std::move(bytes)};
}

VLFakeSMCTransport::Key VLFakeSMCTransport::sp78Key(std::string name, uint8_t high, uint8_t low) {
    return {std::move(name), "sp78", {high, low}};
}

int VLFakeSMCTransport::calls(uint8_t command) const {
    auto found = _calls.find(command);
    return found == _calls.end() ? 0 : found->second;
}

const VLFakeSMCTransport::Key* VLFakeSMCTransport::find(uint32_t key) const {
    auto found = std::find_if(_keys.begin(), _keys.end(),
                              [key](const Key& candidate) { return VLFourCharCode(candidate.name) == key; });
    return found == _keys.end() ? nullptr : &*found;
}

int VLFakeSMCTransport::callStructMethod(uint32_t selector, const VLSMCParamRecord& input,
                                         VLSMCParamRecord& output) {
    if (selector != kVLSMCSelector)
        return -1;
    ++_calls[input.data8];
    const uint32_t count = keyCount.value_or(uint32_t(_keys.size()));
    const Key* key = find(input.key);
    switch (input.data8) {
    case kVLSMCKeyInfo:
        if (input.key == VLFourCharCode("#KEY")) {
            output.dataType = VLFourCharCode("ui32");
            output.dataSize = 4;
        } else if (key) {
            output.dataType = VLFourCharCode(key->type);
            output.dataSize = uint32_t(key->bytes.size());
        } else {
            output.result = kKeyNotFound;
        }
        return 0;
    case kVLSMCReadBytes:
        if (input.key == VLFourCharCode("#KEY")) {
            const uint8_t bytes[4] = {uint8_t(count >> 24), uint8_t(count >> 16), uint8_t(count >> 8),
                                      uint8_t(count)};
            std::memcpy(output.bytes, bytes, 4);
        } else if (key &&
                   std::find(failingReads.begin(), failingReads.end(), key->name) == failingReads.end()) {
            std::memcpy(output.bytes, key->bytes.data(), std::min<size_t>(key->bytes.size(), input.dataSize));
        } else {
            output.result = kKeyNotFound;
        }
        return 0;
    case kVLSMCKeyByIndex:
        if (input.data32 < _keys.size())
            output.key = VLFourCharCode(_keys[input.data32].name);
        else
            output.result = kKeyNotFound;
        return 0;
    default:
        return -1;
    }
}
