#include "Core/Engine/KeyValue/VLKVDefaultValue.h"

const VLKVDefaultValue& VLKVDefaultValue::defaultValue() {
    static const VLKVDefaultValue value;
    return value;
}
