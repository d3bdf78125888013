#include "Core/Engine/KeyValue/VLKeyValueCoding.h"

std::optional<double> VLKeyValueNumber(const VLValue& value) {
    if (value.isBool())
        return value.boolValue() ? 1.0 : 0.0;
    if (value.isNumber())
        return value.doubleValue();
    return std::nullopt;
}
