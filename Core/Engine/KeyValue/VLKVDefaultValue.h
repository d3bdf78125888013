#pragma once

#include "Core/Engine/KeyValue/VLKVValue.h"

// Stands for a missing value: false, zero, and empty strings, data and containers. The neutral
// values that VLKVObject gives when it cannot answer. Immutable; any thread.
class VLKVDefaultValue final : public VLKVValue {
public:
    static const VLKVDefaultValue& defaultValue();

    bool boolValue() const override { return false; }
    double doubleValue() const override { return 0.0; }
    int64_t integerValue() const override { return 0; }
    uint64_t unsignedIntegerValue() const override { return 0; }
    std::string stringValue() const override { return {}; }
    VLData dataValue() const override { return {}; }
    VLArray arrayValue() const override { return {}; }
    VLDictionary dictionaryValue() const override { return {}; }

private:
    VLKVDefaultValue() = default;
};
