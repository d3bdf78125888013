#include "Core/Engine/KeyValue/VLKVObject.h"

#include "Core/Engine/KeyValue/VLKVDefaultValue.h"
#include "Core/Engine/Support/VLErrors.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLScanner.h"
#include "Platform/Foundation/VLUnicode.h"

#include <optional>

namespace {

const VLKVDefaultValue& neutral() {
    return VLKVDefaultValue::defaultValue();
}

std::optional<std::string> compactJSON(const VLValue& value) {
    return VLJSONSerialization::dataWithJSONObject(value);
}

// A key that names an array element: a number, or a string that is wholly an integer. A negative
// number names no element.
std::optional<size_t> arrayIndexForKey(const VLValue& key) {
    int64_t index = 0;
    if (key.isNumber()) {
        index = key.integerValue();
    } else if (key.isString()) {
        VLScanner scanner(key.stringValue());
        if (!scanner.scanInteger(index) || !scanner.isAtEnd())
            return std::nullopt;
    } else {
        return std::nullopt;
    }
    return size_t(uint64_t(index));
}

// Dictionary keys are strings: a number key is looked up by its decimal text.
std::optional<std::string> dictionaryKeyForKey(const VLValue& key) {
    if (key.isString())
        return key.stringValue();
    if (key.isNumber())
        return key.description();
    return std::nullopt;
}

bool toBool(const VLValue& value) {
    if (value.isNumber() || value.isBool())
        return value.boolValue();
    if (value.isString())
        return !value.stringValue().empty();
    return true;
}

std::optional<double> toDouble(const VLValue& value) {
    if (value.isNumber() || value.isBool())
        return value.doubleValue();
    if (!value.isString())
        return std::nullopt;
    std::string_view text = value.stringValue();
    const bool isPercentage = text.ends_with('%');
    if (isPercentage)
        text.remove_suffix(1);
    VLScanner scanner(text);
    double result = 0;
    if (!scanner.scanDouble(result) || !scanner.isAtEnd())
        return std::nullopt;
    return isPercentage ? result / 100 : result;
}

std::optional<int64_t> toInteger(const VLValue& value) {
    if (value.isNumber() || value.isBool())
        return value.integerValue();
    int64_t result = 0;
    if (value.isString() && VLScanner(value.stringValue()).scanInteger(result))
        return result;
    return std::nullopt;
}

// Numbers convert as two's complement, so -1 gives UINT64_MAX.
std::optional<uint64_t> toUnsignedInteger(const VLValue& value) {
    if (value.isDouble() && value.doubleValue() >= 18446744073709551615.0)
        return UINT64_MAX;
    if (value.isNumber() || value.isBool())
        return uint64_t(value.integerValue());
    uint64_t result = 0;
    if (value.isString() && VLScanner(value.stringValue()).scanUnsignedLongLong(result))
        return result;
    return std::nullopt;
}

std::optional<std::string> toString(const VLValue& value) {
    if (value.isString())
        return value.stringValue() == "\"null\"" ? std::string() : value.stringValue();
    if (value.isNumber() || value.isBool())
        return value.description();
    if (value.isData()) {
        std::string_view bytes(reinterpret_cast<const char*>(value.dataValue().data()),
                               value.dataValue().size());
        return VLIsValidUTF8(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
    }
    if (value.isArray() || value.isDictionary())
        return compactJSON(value);
    return std::nullopt;
}

std::optional<VLData> toData(const VLValue& value) {
    if (value.isData())
        return value.dataValue();
    if (value.isString())
        return VLData(value.stringValue().begin(), value.stringValue().end());
    if (std::optional<std::string> json = compactJSON(value))
        return VLData(json->begin(), json->end());
    return std::nullopt;
}

// A container itself, or one parsed from JSON text.
template <VLValue::Type Wanted>
std::optional<VLValue> toContainer(const VLValue& value) {
    if (value.type() == Wanted)
        return value;
    if (value.isString()) {
        VLValue parsed = VLJSONSerialization::JSONObjectWithData(value.stringValue());
        if (parsed.type() == Wanted)
            return parsed;
    }
    return std::nullopt;
}

} // namespace

VLKVObject VLKVObject::ofJSON(std::string_view json) {
    return VLKVObject(VLJSONSerialization::JSONObjectWithData(json));
}

VLKVObject VLKVObject::objectAtIndex(size_t index) const {
    if (_value.isArray())
        return VLKVObject(_value[index]);
    if (_value.isDictionary())
        return VLKVObject(_value[std::to_string(index)]);
    return VLKVObject();
}

VLKVObject VLKVObject::objectForKey(const VLValue& key) const {
    if (_value.isDictionary()) {
        std::optional<std::string> dictionaryKey = dictionaryKeyForKey(key);
        return dictionaryKey ? VLKVObject(_value[*dictionaryKey]) : VLKVObject();
    }
    if (_value.isArray()) {
        std::optional<size_t> index = arrayIndexForKey(key);
        return index ? VLKVObject(_value[*index]) : VLKVObject();
    }
    return VLKVObject();
}

void VLKVObject::enumerateKeysAndObjectsUsingBlock(
    const std::function<void(const std::string& key, const VLKVObject& object, bool& stop)>& block) const {
    if (!_value.isDictionary())
        return;
    bool stop = false;
    for (const auto& [key, value] : _value.dictionaryValue()) {
        block(key, VLKVObject(value), stop);
        if (stop)
            return;
    }
}

void VLKVObject::enumerateObjectsUsingBlock(
    const std::function<void(const VLKVObject& object, size_t index, bool& stop)>& block) const {
    if (!_value.isArray())
        return;
    bool stop = false;
    const VLArray& array = _value.arrayValue();
    for (size_t i = 0; i < array.size() && !stop; ++i)
        block(VLKVObject(array[i]), i, stop);
}

VLValue VLKVObject::Iterator::operator*() const {
    if (_container->isArray())
        return (*_container)[_index];
    return VLValue(_container->dictionaryValue().entries()[_index].first);
}

size_t VLKVObject::count() const {
    return _value.isArray() || _value.isDictionary() ? _value.count() : 0;
}

std::string VLKVObject::description() const {
    switch (_value.type()) {
    case VLValue::Type::Nil:
        return "";
    case VLValue::Type::Array: {
        std::string text = "[";
        for (const VLValue& element : _value.arrayValue()) {
            if (text.size() > 1)
                text += ',';
            text += VLKVObject(element).description();
        }
        return text + "]";
    }
    case VLValue::Type::Dictionary: {
        std::string text = "{";
        for (const auto& [key, value] : _value.dictionaryValue()) {
            if (text.size() > 1)
                text += ',';
            text += VLStringWithFormat("%@:%@", key, VLKVObject(value).description());
        }
        return text + "}";
    }
    default:
        return _value.description();
    }
}

template <typename Result, typename Conversion>
Result VLKVObject::read(Conversion conversion, std::string_view failureFormat, Result neutralValue,
                        VLErrorRef* error, bool* failed) const {
    if (_value.isMissing()) {
        if (failed)
            *failed = true;
        if (error)
            *error = VLMakeError(VLKVObjectErrorDomain, -1, "value not found: %@", _value);
        return neutralValue;
    }
    if (auto result = conversion(_value))
        return Result(std::move(*result));
    if (failed)
        *failed = true;
    if (error)
        *error = VLMakeError(VLKVObjectErrorDomain, 1, failureFormat, _value);
    return neutralValue;
}

bool VLKVObject::boolRead(VLErrorRef* error, bool* failed) const {
    // Every present value is a boolean, so there is no conversion failure.
    return read([](const VLValue& value) { return std::optional<bool>(toBool(value)); }, "",
                neutral().boolValue(), error, failed);
}

double VLKVObject::doubleRead(VLErrorRef* error, bool* failed) const {
    return read(toDouble, "cannot convert to double value: %@", neutral().doubleValue(), error, failed);
}

int64_t VLKVObject::integerRead(VLErrorRef* error, bool* failed) const {
    return read(toInteger, "cannot convert to integer value: %@", neutral().integerValue(), error, failed);
}

uint64_t VLKVObject::unsignedIntegerRead(VLErrorRef* error, bool* failed) const {
    return read(toUnsignedInteger, "cannot convert to unsigned integer value: %@",
                neutral().unsignedIntegerValue(), error, failed);
}

std::string VLKVObject::stringRead(VLErrorRef* error, bool* failed) const {
    return read(toString, "cannot convert to string value: %@", neutral().stringValue(), error, failed);
}

VLData VLKVObject::dataRead(VLErrorRef* error, bool* failed) const {
    return read(toData, "cannot convert to data value: %@", neutral().dataValue(), error, failed);
}

VLArray VLKVObject::arrayRead(VLErrorRef* error, bool* failed) const {
    auto toArray = [](const VLValue& value) -> std::optional<VLArray> {
        std::optional<VLValue> array = toContainer<VLValue::Type::Array>(value);
        return array ? std::optional<VLArray>(array->arrayValue()) : std::nullopt;
    };
    return read(toArray, "cannot convert to array value: %@", neutral().arrayValue(), error, failed);
}

VLDictionary VLKVObject::dictionaryRead(VLErrorRef* error, bool* failed) const {
    auto toDictionary = [](const VLValue& value) -> std::optional<VLDictionary> {
        std::optional<VLValue> dictionary = toContainer<VLValue::Type::Dictionary>(value);
        return dictionary ? std::optional<VLDictionary>(dictionary->dictionaryValue()) : std::nullopt;
    };
    return read(toDictionary, "cannot convert to dictionary value: %@", neutral().dictionaryValue(), error,
                failed);
}
