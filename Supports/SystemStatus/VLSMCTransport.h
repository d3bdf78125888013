#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A four-character code as an unsigned 32-bit integer, first character in the most significant byte:
// "TC0P" is 0x54433050.
constexpr uint32_t VLFourCharCode(std::string_view code) {
    uint32_t value = 0;
    for (size_t index = 0; index < 4; ++index)
        value = (value << 8) | uint8_t(index < code.size() ? code[index] : ' ');
    return value;
}
// The SMC's type of a 32-bit float value.
constexpr uint32_t VLSMCFloatType = VLFourCharCode("flt ");
// The four characters of a code, first character first.
std::string VLFourCharCodeString(uint32_t code);

// The SMC's parameter record, in host byte order, for input and output alike.
struct VLSMCParamRecord {
    uint32_t key = 0;            // four-character code
    uint8_t version[6] = {};     // unused
    uint8_t padding0[2] = {};    //
    uint8_t powerLimit[16] = {}; // unused
    uint32_t dataSize = 0;       // key info: input for reads, output of key info
    uint32_t dataType = 0;       // key info: four-character code
    uint8_t attributes = 0;      // key info: unused
    uint8_t padding1[3] = {};    //
    uint8_t result = 0;          // output: 0 for success
    uint8_t status = 0;          // unused
    uint8_t data8 = 0;           // the command
    uint8_t padding2 = 0;        //
    uint32_t data32 = 0;         // input: the index of a key by index
    uint8_t bytes[32] = {};      // output of a read
};
static_assert(sizeof(VLSMCParamRecord) == 80 && offsetof(VLSMCParamRecord, dataSize) == 28 &&
              offsetof(VLSMCParamRecord, result) == 40 && offsetof(VLSMCParamRecord, data8) == 42 &&
              offsetof(VLSMCParamRecord, data32) == 44 && offsetof(VLSMCParamRecord, bytes) == 48);

// The one method of the SMC's user client, and its commands.
inline constexpr uint32_t kVLSMCSelector = 2;
inline constexpr uint8_t kVLSMCReadBytes = 5;
inline constexpr uint8_t kVLSMCKeyByIndex = 8;
inline constexpr uint8_t kVLSMCKeyInfo = 9;

// How the monitor reaches an SMC: the service, a connection to its user client and the structure
// method that carries one parameter record each way. Linux has no SMC; VLSMCHwmonTransport presents
// the kernel's hardware monitors as one, and tests use a table of keys.
//
// Used on the monitor's queue only.
class VLSMCTransport {
public:
    virtual ~VLSMCTransport() = default;

    // Whether the service exists.
    virtual bool findService() = 0;
    // Opens the user client: 0 on success, else an error code.
    virtual int open() = 0;
    virtual void close() = 0;
    // Calls the method with the selector: 0 on success, else an error code.
    virtual int callStructMethod(uint32_t selector, const VLSMCParamRecord& input,
                                 VLSMCParamRecord& output) = 0;
};
