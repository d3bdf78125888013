#include "Core/Engine/JS/VLJSON.h"

#include "Core/Engine/Support/VLErrors.h"
#include "Platform/Foundation/VLJSONSerialization.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cmath>

namespace {

constexpr int64_t kJSONFailureCode = 102;

std::optional<std::string> writeOnce(const VLValue& object, VLErrorRef* error) {
    VLJSONWritingOptions options;
    options.fragmentsAllowed = true;
    VLErrorRef writerError;
    std::optional<std::string> text = VLJSONSerialization::dataWithJSONObject(object, options, &writerError);
    if (!text && error)
        *error =
            VLError::make(VLErrorDomain, kJSONFailureCode,
                          VLDictionary{{VLLocalizedDescriptionKey, writerError->localizedDescription()}});
    return text;
}

std::optional<VLValue> cleaned(const VLValue& object);

// A copy of the container is made at the first element that changes; the rest is shared.
std::optional<VLValue> cleanedArray(const VLArray& array) {
    std::optional<VLArray> result;
    for (size_t index = 0; index < array.size(); ++index) {
        std::optional<VLValue> element = cleaned(array[index]);
        if (!element)
            continue;
        if (!result)
            result = array;
        (*result)[index] = std::move(*element);
    }
    return result ? std::optional<VLValue>(std::move(*result)) : std::nullopt;
}

std::optional<VLValue> cleanedDictionary(const VLDictionary& dictionary) {
    std::optional<VLDictionary> result;
    for (const auto& [key, value] : dictionary) {
        std::optional<VLValue> element = cleaned(value);
        if (!element)
            continue;
        if (!result)
            result = dictionary;
        *result->find(key) = std::move(*element);
    }
    return result ? std::optional<VLValue>(std::move(*result)) : std::nullopt;
}

// The replacement for the value, or nothing when it stays as it is.
std::optional<VLValue> cleaned(const VLValue& object) {
    switch (object.type()) {
    case VLValue::Type::Null:
    case VLValue::Type::Bool:
    case VLValue::Type::Integer:
        return std::nullopt;
    case VLValue::Type::Double:
        return std::isfinite(object.doubleValue()) ? std::nullopt : std::optional<VLValue>(0.0);
    case VLValue::Type::String:
        return VLIsValidUTF8(object.stringValue()) ? std::nullopt : std::optional<VLValue>(VLValue::null());
    case VLValue::Type::Array:
        return cleanedArray(object.arrayValue());
    case VLValue::Type::Dictionary:
        return cleanedDictionary(object.dictionaryValue());
    case VLValue::Type::Nil:
    case VLValue::Type::Data:
    case VLValue::Type::Date:
        break;
    }
    return VLValue::null();
}

} // namespace

std::optional<std::string> VLJSONStringify(const VLValue& object, VLErrorRef* error) {
    if (object.isNil())
        return std::nullopt;
    if (error)
        return writeOnce(object, error);
    VLErrorRef ownError;
    std::optional<std::string> text = writeOnce(object, &ownError);
    if (ownError)
        return writeOnce(VLJSONClean(object), nullptr);
    return text;
}

VLValue VLJSONParse(std::string_view text, VLErrorRef* error) {
    if (!VLIsValidUTF8(text)) {
        if (error)
            *error = VLMakeError(VLErrorDomain, kJSONFailureCode, "json parse received invalid UTF8 data");
        return VLValue();
    }
    VLJSONReadingOptions options;
    options.fragmentsAllowed = true;
    return VLJSONSerialization::JSONObjectWithData(text, options, error);
}

VLValue VLJSONParseMutable(std::string_view text, VLErrorRef* error) {
    return VLJSONParse(text, error);
}

VLValue VLJSONClean(const VLValue& object) {
    std::optional<VLValue> replacement = cleaned(object);
    return replacement ? std::move(*replacement) : object;
}
