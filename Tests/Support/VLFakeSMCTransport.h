#pragma once

#include "Supports/SystemStatus/VLSMCTransport.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// An SMC made of a table of keys, for tests: key info, reads and keys by index answer from the table,
// and "#KEY" counts it unless a count is given. The calls are counted by command.
class VLFakeSMCTransport final : public VLSMCTransport {
public:
    struct Key {
        std::string name;           // four characters
        std::string type;           // four characters, such as "flt " or "sp78"
        std::vector<uint8_t> bytes; // the value; its size is the key's size
    };

    explicit VLFakeSMCTransport(std::vector<Key> keys) : _keys(std::move(keys)) {}

    // A float key, in host order.
    static Key floatKey(std::string name, float value);
    // An sp78 key: big-endian, 1/256 °C.
    static Key sp78Key(std::string name, uint8_t high, uint8_t low);

    bool hasService = true;
    int openError = 0;
    std::optional<uint32_t> keyCount;
    // Keys whose reads fail.
    std::vector<std::string> failingReads;

    int calls(uint8_t command) const;

    bool findService() override { return hasService; }
    int open() override { return openError; }
    void close() override {}
    int callStructMethod(uint32_t selector, const VLSMCParamRecord& input, VLSMCParamRecord& output) override;

private:
    const Key* find(uint32_t key) const;

    std::vector<Key> _keys;
    std::map<uint8_t, int> _calls;
};
