#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <string>

// A value read as each of the types that options, payloads and style values come in.
class VLKVValue {
public:
    virtual ~VLKVValue() = default;
    virtual bool boolValue() const = 0;
    virtual double doubleValue() const = 0;
    virtual int64_t integerValue() const = 0;
    virtual uint64_t unsignedIntegerValue() const = 0;
    virtual std::string stringValue() const = 0;
    virtual VLData dataValue() const = 0;
    virtual VLArray arrayValue() const = 0;
    virtual VLDictionary dictionaryValue() const = 0;
};
