#include "Core/Engine/JS/VLJSValueBridge.h"

#include "Core/Engine/JS/VLJSAPILock.h"
#include "Core/Engine/JS/VLJSString.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr std::string_view kSourceURLScheme = "velto://";
// Room made at once for the elements of one array. A script can nest 64 arrays that each claim a million
// elements: what they really hold is bounded by the budget, so larger arrays grow as they fill.
constexpr size_t kMaxArrayReservation = 4096;

// The global "Array" constructor and its prototype when the conversion started, looked up once.
void findArray(JSContextRef ctx, VLJSConversionState& state) {
    if (state.lookedUpArray)
        return;
    state.lookedUpArray = true;
    JSValueRef array = VLGetJSObjectProperty(ctx, JSContextGetGlobalObject(ctx), "Array");
    if (!array || !JSValueIsObject(ctx, array))
        return;
    state.arrayConstructor = JSValueToObject(ctx, array, nullptr);
    JSValueRef prototype = VLGetJSObjectProperty(ctx, state.arrayConstructor, "prototype");
    if (prototype && JSValueIsObject(ctx, prototype))
        state.arrayPrototype = JSValueToObject(ctx, prototype, nullptr);
}

// A true array whose prototype is the current Array.prototype is an instance of Array without asking
// the constructor; everything else goes through instanceof.
bool isArray(JSContextRef ctx, JSObjectRef object, VLJSConversionState& state) {
    findArray(ctx, state);
    if (!state.arrayConstructor)
        return false;
    if (state.arrayPrototype && JSValueIsArray(ctx, object) &&
        JSObjectGetPrototype(ctx, object) == state.arrayPrototype)
        return true;
    return JSValueIsInstanceOfConstructor(ctx, object, state.arrayConstructor, nullptr);
}

bool isOnStack(const VLJSConversionState& state, JSValueRef object) {
    for (size_t i = 0; i < state.depth; ++i) {
        if (state.stack[i] == object)
            return true;
    }
    return false;
}

// A length as an element count: negative and NaN count as 0, fractions are cut, and only the low
// 32 bits are kept.
uint32_t elementCount(double length) {
    if (!(length > 0))
        return 0;
    return uint32_t(uint64_t(length));
}

VLValue convertArray(JSContextRef ctx, JSObjectRef object, VLJSConversionState& state) {
    static const VLJSString lengthName("length");
    const double length =
        VLJSValueToNumberFast(ctx, JSObjectGetProperty(ctx, object, lengthName.get(), nullptr));
    if (length > double(kVLJSConversionBudget)) {
        state.failed = true;
        return {};
    }
    const uint32_t count = elementCount(length);
    state.stack[state.depth++] = object;
    VLArray array;
    array.reserve(std::min<size_t>(count, kMaxArrayReservation));
    for (uint32_t index = 0; index < count && !state.failed; ++index) {
        VLValue element = VLJSValueToNSObjectWithConversion(
            ctx, JSObjectGetPropertyAtIndex(ctx, object, index, nullptr), state);
        array.push_back(element.isNil() ? VLValue::null() : std::move(element));
    }
    --state.depth;
    return array;
}

VLValue convertTypedArray(JSContextRef ctx, JSValueRef value) {
    size_t length = 0;
    const auto* bytes = static_cast<const uint8_t*>(VLJSValueGetTypedArrayPtr(ctx, value, &length));
    if (!bytes)
        return {};
    return VLData(bytes, bytes + length);
}

VLValue convertDictionary(JSContextRef ctx, JSObjectRef object, VLJSConversionState& state) {
    JSPropertyNameArrayRef names = VLJSObjectCopyPropertyNames(ctx, object);
    if (!names)
        return VLDictionary();
    state.stack[state.depth++] = object;
    const size_t count = JSPropertyNameArrayGetCount(names);
    VLDictionary dictionary;
    dictionary.reserve(count);
    for (size_t i = 0; i < count && !state.failed; ++i) {
        JSStringRef name = JSPropertyNameArrayGetNameAtIndex(names, i);
        VLValue element =
            VLJSValueToNSObjectWithConversion(ctx, JSObjectGetProperty(ctx, object, name, nullptr), state);
        if (JSStringGetLength(name) > 0)
            dictionary.set(VLJSString::toUTF8(name), element.isNil() ? VLValue::null() : std::move(element));
    }
    JSPropertyNameArrayRelease(names);
    --state.depth;
    return dictionary;
}

// An invalid date names no moment: null, not 1970.
VLValue convertDate(JSContextRef ctx, JSValueRef value) {
    const double milliseconds = JSValueToNumber(ctx, value, nullptr);
    return std::isnan(milliseconds) ? VLValue::null() : VLValue(VLDate{milliseconds / 1000});
}

VLValue convertObject(JSContextRef ctx, JSValueRef value, VLJSConversionState& state) {
    if (state.depth >= kVLJSConversionMaxDepth || isOnStack(state, value))
        return {};
    // A value of the object type is its object: no conversion call needed.
    JSObjectRef object = const_cast<JSObjectRef>(value);
    if (state.convertsDates && JSValueIsDate(ctx, value))
        return convertDate(ctx, value);
    if (isArray(ctx, object, state))
        return convertArray(ctx, object, state);
    if (JSValueGetTypedArrayType(ctx, value, nullptr) != kJSTypedArrayTypeNone)
        return convertTypedArray(ctx, value);
    return convertDictionary(ctx, object, state);
}

void VLJSTypedArrayBytesDeallocator(void*, void* context) {
    delete static_cast<VLData*>(context);
}

// The script's string conversion of the value; none when it throws or an argument is null.
VLJSString transformToString(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value)
        return VLJSString::adopt(nullptr);
    JSValueRef exception = nullptr;
    VLJSString string = VLJSString::adopt(JSValueToStringCopy(ctx, value, &exception));
    return exception ? VLJSString::adopt(nullptr) : std::move(string);
}

bool becomesObject(VLValue::Type type) {
    return type == VLValue::Type::Date || type == VLValue::Type::Array || type == VLValue::Type::Data ||
           type == VLValue::Type::Dictionary;
}

// Writes the number's shortest text that reads back the same into the buffer; its length.
template <typename Number>
size_t numberLength(Number number, char* buffer, size_t size) {
    return size_t(std::to_chars(buffer, buffer + size, number).ptr - buffer);
}

// The code units of a text as a JSON string, or more when it is not ASCII (a byte never gives more
// than one unit, and only ASCII is escaped).
size_t stringLengthBound(std::string_view text) {
    size_t length = 2;
    for (const char c : text)
        length += c == '"' || c == '\\' ? 2 : uint8_t(c) < 0x20 ? 6 : 1;
    return length;
}

// Whether JSON holds the value as the conversion makes it: not a date, data, NaN, an infinity or
// negative zero (JSON writes it as 0).
bool isJSONScalar(const VLValue& object) {
    switch (object.type()) {
    case VLValue::Type::Double: {
        const double number = object.doubleValue();
        return std::isfinite(number) && !(number == 0 && std::signbit(number));
    }
    case VLValue::Type::Date:
    case VLValue::Type::Data:
    case VLValue::Type::Array:
    case VLValue::Type::Dictionary:
        return false;
    default:
        return true;
    }
}

bool isContainer(const VLValue& object) {
    return object.isArray() || object.isDictionary();
}

// The code units of the value's JSON text at most, so that it is written into one buffer: growing one
// would touch fresh memory again and again, which costs more than the writing. What JSON does not
// hold, and containers deeper than a conversion goes, are written as null.
size_t JSONLengthBound(const VLValue& object, size_t depth) {
    if (isContainer(object) && depth >= kVLJSConversionMaxDepth)
        return 4;
    char buffer[32];
    switch (object.type()) {
    case VLValue::Type::Bool:
        return object.boolValue() ? 4 : 5;
    case VLValue::Type::Integer:
        return numberLength(object.integerValue(), buffer, sizeof buffer);
    case VLValue::Type::Double:
        return isJSONScalar(object) ? numberLength(object.doubleValue(), buffer, sizeof buffer) : 4;
    case VLValue::Type::String:
        return stringLengthBound(object.stringValue());
    case VLValue::Type::Array: {
        size_t length = 2 + object.count();
        for (const VLValue& element : object.arrayValue())
            length += JSONLengthBound(element, depth + 1);
        return length;
    }
    case VLValue::Type::Dictionary: {
        size_t length = 2 + 2 * object.count();
        for (const auto& [key, value] : object.dictionaryValue())
            length += stringLengthBound(key) + JSONLengthBound(value, depth + 1);
        return length;
    }
    default:
        return 4;
    }
}

// The text as a JSON string, its characters as the engine gets them from VLJSString (invalid UTF-8
// replaced alike), escaping what JSON must.
void appendJSONString(std::u16string& json, std::string_view text) {
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return uint8_t(c) < 0x80; });
    const std::u16string converted = ascii ? std::u16string() : VLUTF16FromUTF8(text);
    json += u'"';
    auto append = [&json](char16_t c) {
        if (c == u'"' || c == u'\\') {
            json += u'\\';
            json += c;
        } else if (c < 0x20) {
            static constexpr char16_t hex[] = u"0123456789abcdef";
            json.append(u"\\u00");
            json += hex[c >> 4];
            json += hex[c & 0xF];
        } else {
            json += c;
        }
    };
    if (ascii) {
        for (char c : text)
            append(char16_t(c));
    } else {
        for (char16_t c : converted)
            append(c);
    }
    json += u'"';
}

template <typename Number>
void appendJSONNumber(std::u16string& json, Number number) {
    char buffer[32];
    json.append(buffer, buffer + numberLength(number, buffer, sizeof buffer));
}

// A place in a container: its key, or its index in an array.
struct JSONPlace {
    const std::string* key;
    uint32_t index;
};

// A value that JSON does not hold, written as null and set at its place once the engine made the tree.
struct JSONPatch {
    std::vector<JSONPlace> path;
    const VLValue* value;
};

// Writes a native graph as JSON text for the engine's reader, noting what must be set afterwards.
// Lives on the converting call's stack.
struct JSONTextWriter {
    std::u16string json;
    std::vector<JSONPlace> path;
    std::vector<JSONPatch> patches;

    void append(const VLValue& object) {
        if (isContainer(object) && path.size() >= kVLJSConversionMaxDepth) {
            json.append(u"null");
            return;
        }
        switch (object.type()) {
        case VLValue::Type::String:
            return appendJSONString(json, object.stringValue());
        case VLValue::Type::Bool:
            json.append(object.boolValue() ? u"true" : u"false");
            return;
        case VLValue::Type::Integer:
            return appendJSONNumber(json, object.integerValue());
        case VLValue::Type::Array:
            return appendArray(object.arrayValue());
        case VLValue::Type::Dictionary:
            return appendDictionary(object.dictionaryValue());
        case VLValue::Type::Double:
            if (isJSONScalar(object))
                return appendJSONNumber(json, object.doubleValue());
            [[fallthrough]];
        case VLValue::Type::Date:
        case VLValue::Type::Data:
            patches.push_back({path, &object});
            [[fallthrough]];
        default:
            json.append(u"null");
        }
    }

    void appendArray(const VLArray& array) {
        json += u'[';
        for (uint32_t index = 0; index < array.size(); ++index) {
            path.push_back({nullptr, index});
            append(array[index]);
            path.pop_back();
            json += u',';
        }
        close(u']');
    }

    void appendDictionary(const VLDictionary& dictionary) {
        const std::vector<bool> replaced = replacedKeys(dictionary);
        json += u'{';
        size_t index = 0;
        for (const auto& [key, value] : dictionary) {
            appendJSONString(json, key);
            json += u':';
            if (!replaced.empty() && replaced[index++]) {
                json.append(u"null");
            } else {
                path.push_back({&key, 0});
                append(value);
                path.pop_back();
            }
            json += u',';
        }
        close(u'}');
    }

    // Keys that are not UTF-8 can meet once their bytes are replaced. Set one by one, the last value
    // would win at the first place, as the reader does with repeated keys: the earlier ones are written
    // as null, with nothing set inside them. Empty when every key is UTF-8.
    static std::vector<bool> replacedKeys(const VLDictionary& dictionary) {
        const auto& entries = dictionary.entries();
        const bool allUTF8 = std::all_of(entries.begin(), entries.end(),
                                         [](const auto& entry) { return VLIsValidUTF8(entry.first); });
        if (allUTF8)
            return {};
        std::vector<std::u16string> keys;
        for (const auto& entry : entries)
            keys.push_back(VLUTF16FromUTF8(entry.first));
        std::vector<bool> replaced(keys.size());
        for (size_t index = 0; index < keys.size(); ++index)
            replaced[index] = std::find(keys.begin() + index + 1, keys.end(), keys[index]) != keys.end();
        return replaced;
    }

    void close(char16_t bracket) {
        if (json.back() == u',')
            json.pop_back();
        json += bracket;
    }
};

JSValueRef fromNative(JSContextRef ctx, const VLValue& object, size_t depth);

// Made by the engine's reader: an own data property of a container, which reading runs nothing for.
JSObjectRef childAt(JSContextRef ctx, JSObjectRef container, const JSONPlace& place) {
    JSValueRef child = place.key ? JSObjectGetProperty(ctx, container, VLJSString(*place.key).get(), nullptr)
                                 : JSObjectGetPropertyAtIndex(ctx, container, place.index, nullptr);
    return child && JSValueIsObject(ctx, child) ? const_cast<JSObjectRef>(child) : nullptr;
}

// Sets the value at its place, where the reader defined null: setting an own property runs no setter.
void applyPatch(JSContextRef ctx, JSObjectRef tree, const JSONPatch& patch) {
    JSObjectRef container = tree;
    for (size_t step = 0; container && step + 1 < patch.path.size(); ++step)
        container = childAt(ctx, container, patch.path[step]);
    if (!container)
        return;
    const JSONPlace& place = patch.path.back();
    JSValueRef value = fromNative(ctx, *patch.value, patch.path.size());
    if (place.key)
        JSObjectSetProperty(ctx, container, VLJSString(*place.key).get(), value, kJSPropertyAttributeNone,
                            nullptr);
    else
        JSObjectSetPropertyAtIndex(ctx, container, place.index, value, nullptr);
}

// A container through the engine's JSON reader, which defines every property as JSON.parse does, so
// that no setter of a prototype runs and a "__proto__" key stays a key; a few calls for the whole
// tree instead of some for every value. What JSON does not hold is set in its place afterwards.
JSValueRef containerFromNative(JSContextRef ctx, const VLValue& object) {
    JSONTextWriter writer;
    writer.json.reserve(JSONLengthBound(object, 0));
    writer.append(object);
    const VLJSString text = VLJSString::adopt(JSStringCreateWithCharacters(
        reinterpret_cast<const JSChar*>(writer.json.data()), writer.json.size()));
    JSValueRef tree = JSValueMakeFromJSONString(ctx, text.get());
    if (!tree || !JSValueIsObject(ctx, tree))
        return JSValueMakeNull(ctx);
    for (const JSONPatch& patch : writer.patches)
        applyPatch(ctx, const_cast<JSObjectRef>(tree), patch);
    return tree;
}

// The worker of VLJSValueFromNSObject for everything but containers. A date or data as deep as
// 64 levels of containers gives null, as the containers there do.
JSValueRef fromNative(JSContextRef ctx, const VLValue& object, size_t depth) {
    if (depth >= kVLJSConversionMaxDepth && becomesObject(object.type()))
        return JSValueMakeNull(ctx);
    switch (object.type()) {
    case VLValue::Type::String:
        return VLJSValueFromNSString(ctx, object.stringValue());
    case VLValue::Type::Bool:
        return JSValueMakeBoolean(ctx, object.boolValue());
    case VLValue::Type::Integer:
    case VLValue::Type::Double:
        return JSValueMakeNumber(ctx, object.doubleValue());
    case VLValue::Type::Date: {
        JSValueRef milliseconds = JSValueMakeNumber(ctx, object.dateValue().secondsSince1970 * 1000);
        JSObjectRef date = JSObjectMakeDate(ctx, 1, &milliseconds, nullptr);
        return date ? date : JSValueMakeNull(ctx);
    }
    case VLValue::Type::Data:
        return VLJSValueFromNSDataNoCopy(ctx, VLData(object.dataValue()));
    case VLValue::Type::Array:
    case VLValue::Type::Dictionary:
        return containerFromNative(ctx, object);
    case VLValue::Type::Nil:
    case VLValue::Type::Null:
        break;
    }
    return JSValueMakeNull(ctx);
}

} // namespace

void VLJSValueProtect(JSContextRef ctx, JSValueRef value) {
    if (ctx && value)
        JSValueProtect(ctx, value);
}

void VLJSValueUnprotect(JSContextRef ctx, JSValueRef value) {
    if (ctx && value)
        JSValueUnprotect(ctx, value);
}

JSValueRef VLJSValueFromNSString(JSContextRef ctx, std::string_view string) {
    if (!ctx)
        return nullptr;
    VLJSString text(string);
    return JSValueMakeString(ctx, text.get());
}

JSValueRef VLJSValueFromUTF8String(JSContextRef ctx, const char* string) {
    if (!ctx)
        return nullptr;
    if (!string)
        return JSValueMakeNull(ctx);
    return VLJSValueFromNSString(ctx, string);
}

std::optional<std::string> VLJSValueToNSString(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value || !JSValueIsString(ctx, value))
        return std::nullopt;
    return VLJSString::adopt(JSValueToStringCopy(ctx, value, nullptr)).utf8();
}

std::optional<std::string> VLJSValueTransformToNSString(JSContextRef ctx, JSValueRef value) {
    const VLJSString string = transformToString(ctx, value);
    return string ? std::optional(string.utf8()) : std::nullopt;
}

std::optional<std::string> VLJSValueTransformToNSString(JSContextRef ctx, JSValueRef value,
                                                        size_t byteLimit) {
    const VLJSString string = transformToString(ctx, value);
    return string ? std::optional(VLJSString::toUTF8(string.get(), byteLimit)) : std::nullopt;
}

void VLJSValueToUTF8String(JSContextRef ctx, JSValueRef value, char* buffer, size_t bufferSize) {
    if (!ctx || !value || !buffer || bufferSize == 0 || !JSValueIsString(ctx, value))
        return;
    VLJSString string = VLJSString::adopt(JSValueToStringCopy(ctx, value, nullptr));
    JSStringGetUTF8CString(string.get(), buffer, bufferSize);
}

double VLJSValueToNumberFast(JSContextRef ctx, JSValueRef value) {
    if (!ctx || !value)
        return 0;
    switch (JSValueGetType(ctx, value)) {
    case kJSTypeNumber:
        return JSValueToNumber(ctx, value, nullptr);
    case kJSTypeBoolean:
        return JSValueToBoolean(ctx, value) ? 1 : 0;
    default:
        return 0;
    }
}

JSValueRef VLJSValueFromNSObject(JSContextRef ctx, const VLValue& object) {
    if (!ctx)
        return nullptr;
    const VLJSAPILock lock(ctx);
    return fromNative(ctx, object, 0);
}

JSValueRef VLJSValueFromNSDataNoCopy(JSContextRef ctx, VLData&& data) {
    if (!ctx)
        return nullptr;
    if (data.empty())
        return JSValueMakeNull(ctx);
    auto* owned = new VLData(std::move(data));
    JSObjectRef buffer = JSObjectMakeArrayBufferWithBytesNoCopy(
        ctx, owned->data(), owned->size(), VLJSTypedArrayBytesDeallocator, owned, nullptr);
    if (!buffer) {
        delete owned;
        return JSValueMakeNull(ctx);
    }
    return buffer;
}

VLValue VLJSValueToNSObject(JSContextRef ctx, JSValueRef value) {
    const VLJSAPILock lock(ctx);
    VLJSConversionState state;
    VLValue result = VLJSValueToNSObjectWithConversion(ctx, value, state);
    return state.failed ? VLValue() : result;
}

VLValue VLJSValueToNSObjectWithConversion(JSContextRef ctx, JSValueRef value, VLJSConversionState& state) {
    if (state.failed || !ctx)
        return {};
    if (state.depth > 0) {
        if (state.budget == 0) {
            state.failed = true;
            return {};
        }
        --state.budget;
    }
    if (!value)
        return {};
    switch (JSValueGetType(ctx, value)) {
    case kJSTypeBoolean:
        return JSValueToBoolean(ctx, value);
    case kJSTypeNumber:
        return JSValueToNumber(ctx, value, nullptr);
    case kJSTypeString:
        return VLJSString::adopt(JSValueToStringCopy(ctx, value, nullptr)).utf8();
    case kJSTypeObject:
        return convertObject(ctx, value, state);
    default:
        return {};
    }
}

VLValue VLJSValueToObject(JSContextRef ctx, JSValueRef value) {
    if (ctx && value && JSValueIsNull(ctx, value))
        return VLValue::null();
    const VLJSAPILock lock(ctx);
    VLJSConversionState state;
    state.convertsDates = true;
    VLValue result = VLJSValueToNSObjectWithConversion(ctx, value, state);
    return state.failed ? VLValue() : result;
}

JSPropertyNameArrayRef VLJSObjectCopyPropertyNames(JSContextRef ctx, JSObjectRef object) {
    if (!ctx || !object)
        return nullptr;
    JSPropertyNameArrayRef names = JSObjectCopyPropertyNames(ctx, object);
    // The enumeration leaves a thrown exception pending; the next call that takes an exception
    // out-parameter collects it.
    JSValueRef exception = nullptr;
    JSValueToNumber(ctx, JSValueMakeNumber(ctx, 0), &exception);
    if (exception) {
        JSPropertyNameArrayRelease(names);
        return nullptr;
    }
    return names;
}

void* VLJSValueGetTypedArrayPtr(JSContextRef ctx, JSValueRef value, size_t* byteLength) {
    if (byteLength)
        *byteLength = 0;
    if (!ctx || !value)
        return nullptr;
    const JSTypedArrayType type = JSValueGetTypedArrayType(ctx, value, nullptr);
    if (type == kJSTypedArrayTypeNone)
        return nullptr;
    JSObjectRef object = JSValueToObject(ctx, value, nullptr);
    if (type == kJSTypedArrayTypeArrayBuffer) {
        void* bytes = JSObjectGetArrayBufferBytesPtr(ctx, object, nullptr);
        if (bytes && byteLength)
            *byteLength = JSObjectGetArrayBufferByteLength(ctx, object, nullptr);
        return bytes;
    }
    auto* bytes = static_cast<uint8_t*>(JSObjectGetTypedArrayBytesPtr(ctx, object, nullptr));
    if (!bytes)
        return nullptr;
    if (byteLength)
        *byteLength = JSObjectGetTypedArrayByteLength(ctx, object, nullptr);
    return bytes + JSObjectGetTypedArrayByteOffset(ctx, object, nullptr);
}

std::string VLJSSourceURLStandardize(std::string_view sourceURL) {
    if (sourceURL.empty() || sourceURL.starts_with(kSourceURLScheme))
        return std::string(sourceURL);
    std::string result(kSourceURLScheme);
    if (!sourceURL.starts_with('/'))
        result += '/';
    result += sourceURL;
    return result;
}

JSObjectRef VLJSFunctionFromScript(JSContextRef ctx, std::string_view script) {
    if (!ctx || script.empty())
        return nullptr;
    VLJSString text(script);
    JSValueRef exception = nullptr;
    JSValueRef result = JSEvaluateScript(ctx, text.get(), nullptr, nullptr, 1, &exception);
    if (exception || !result || !JSValueIsObject(ctx, result))
        return nullptr;
    JSObjectRef function = JSValueToObject(ctx, result, nullptr);
    return function && JSObjectIsFunction(ctx, function) ? function : nullptr;
}

JSValueRef VLGetJSObjectProperty(JSContextRef ctx, JSObjectRef object, const char* name) {
    if (!ctx || !object || !name)
        return nullptr;
    VLJSString propertyName(name);
    if (!JSObjectHasProperty(ctx, object, propertyName.get()))
        return nullptr;
    return JSObjectGetProperty(ctx, object, propertyName.get(), nullptr);
}

JSObjectRef VLJSFunctionFromProperty(JSContextRef ctx, JSObjectRef object, const char* name) {
    JSValueRef value = VLGetJSObjectProperty(ctx, object, name);
    if (!value || !JSValueIsObject(ctx, value))
        return nullptr;
    JSObjectRef function = JSValueToObject(ctx, value, nullptr);
    return function && JSObjectIsFunction(ctx, function) ? function : nullptr;
}

bool VLJSValueHasTargetObjectKeys(JSContextRef ctx, JSValueRef value,
                                  std::initializer_list<std::string_view> keys) {
    const VLValue converted = VLJSValueToNSObject(ctx, value);
    if (!converted.isDictionary())
        return false;
    for (std::string_view key : keys) {
        if (!converted.dictionaryValue().contains(key))
            return false;
    }
    return true;
}
