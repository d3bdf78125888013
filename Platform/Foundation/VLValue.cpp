#include "Platform/Foundation/VLValue.h"

#include "Platform/Foundation/VLNumberFormat.h"

#include <algorithm>

namespace {

constexpr size_t kIndexThreshold = 16;

const std::string& emptyString() {
    static const std::string value;
    return value;
}

const VLData& emptyData() {
    static const VLData value;
    return value;
}

const VLArray& emptyArray() {
    static const VLArray value;
    return value;
}

const VLDictionary& emptyDictionary() {
    static const VLDictionary value;
    return value;
}

// Old-style property-list quoting: bare when the text is a simple word.
bool needsQuotes(const std::string& text) {
    if (text.empty())
        return true;
    return !std::all_of(text.begin(), text.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '_' || c == '.' || c == '$' || c == '/' || c == ':' || c == '-' ||
               c >= 0x80;
    });
}

void appendQuoted(std::string& out, const std::string& text) {
    if (!needsQuotes(text)) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    out += '"';
}

} // namespace

VLValue::VLValue(const char* s) {
    if (s)
        _storage = std::string(s);
}

// Made mutable, so that takeData() may move the bytes out of a value that is their only holder.
VLValue::VLValue(VLData data)
    : _storage(std::shared_ptr<const VLData>(std::make_shared<VLData>(std::move(data)))) {}

VLValue::VLValue(VLArray array) : _storage(std::make_shared<const VLArray>(std::move(array))) {}

VLValue::VLValue(VLDictionary dictionary)
    : _storage(std::make_shared<const VLDictionary>(std::move(dictionary))) {}

const VLValue& VLValue::nil() {
    static const VLValue value;
    return value;
}

bool VLValue::boolValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(_storage);
    case Type::Integer:
        return std::get<int64_t>(_storage) != 0;
    case Type::Double:
        return std::get<double>(_storage) != 0;
    default:
        return false;
    }
}

int64_t VLValue::integerValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(_storage) ? 1 : 0;
    case Type::Integer:
        return std::get<int64_t>(_storage);
    case Type::Double: {
        double d = std::get<double>(_storage);
        if (!(d == d))
            return 0;
        if (d >= 9.2233720368547758e18)
            return INT64_MAX;
        if (d <= -9.2233720368547758e18)
            return INT64_MIN;
        return int64_t(d);
    }
    default:
        return 0;
    }
}

double VLValue::doubleValue() const {
    switch (type()) {
    case Type::Bool:
        return std::get<bool>(_storage) ? 1 : 0;
    case Type::Integer:
        return double(std::get<int64_t>(_storage));
    case Type::Double:
        return std::get<double>(_storage);
    default:
        return 0;
    }
}

const std::string& VLValue::stringValue() const {
    return isString() ? std::get<std::string>(_storage) : emptyString();
}

const VLData& VLValue::dataValue() const {
    return isData() ? *std::get<std::shared_ptr<const VLData>>(_storage) : emptyData();
}

VLData VLValue::takeData() {
    VLData data;
    if (auto* bytes = std::get_if<std::shared_ptr<const VLData>>(&_storage)) {
        if (bytes->use_count() == 1)
            data = std::move(const_cast<VLData&>(**bytes));
        else
            data = **bytes;
    }
    _storage = std::monostate();
    return data;
}

VLDate VLValue::dateValue() const {
    return isDate() ? std::get<VLDate>(_storage) : VLDate{};
}

const VLArray& VLValue::arrayValue() const {
    return isArray() ? *std::get<std::shared_ptr<const VLArray>>(_storage) : emptyArray();
}

const VLDictionary& VLValue::dictionaryValue() const {
    return isDictionary() ? *std::get<std::shared_ptr<const VLDictionary>>(_storage) : emptyDictionary();
}

template <typename Container>
Container& VLValue::mutableContainer() {
    if (!std::holds_alternative<std::shared_ptr<const Container>>(_storage))
        _storage = std::make_shared<const Container>();
    auto& shared = std::get<std::shared_ptr<const Container>>(_storage);
    // Copy on write: other values may share this container.
    if (shared.use_count() > 1)
        shared = std::make_shared<const Container>(*shared);
    return const_cast<Container&>(*shared);
}

VLArray& VLValue::mutableArray() {
    return mutableContainer<VLArray>();
}

VLDictionary& VLValue::mutableDictionary() {
    return mutableContainer<VLDictionary>();
}

size_t VLValue::count() const {
    switch (type()) {
    case Type::Array:
        return arrayValue().size();
    case Type::Dictionary:
        return dictionaryValue().size();
    case Type::Data:
        return dataValue().size();
    default:
        return 0;
    }
}

const VLValue& VLValue::operator[](std::string_view key) const {
    return dictionaryValue().get(key);
}

const VLValue& VLValue::operator[](size_t index) const {
    const VLArray& array = arrayValue();
    return index < array.size() ? array[index] : nil();
}

bool VLValue::isSameObject(const VLValue& other) const {
    if (type() != other.type())
        return false;
    switch (type()) {
    case Type::Data:
        return std::get<std::shared_ptr<const VLData>>(_storage) ==
               std::get<std::shared_ptr<const VLData>>(other._storage);
    case Type::Array:
        return std::get<std::shared_ptr<const VLArray>>(_storage) ==
               std::get<std::shared_ptr<const VLArray>>(other._storage);
    case Type::Dictionary:
        return std::get<std::shared_ptr<const VLDictionary>>(_storage) ==
               std::get<std::shared_ptr<const VLDictionary>>(other._storage);
    default:
        return *this == other;
    }
}

bool VLValue::operator==(const VLValue& other) const {
    if (isNumber() && other.isNumber()) {
        if (isInteger() && other.isInteger())
            return integerValue() == other.integerValue();
        return doubleValue() == other.doubleValue();
    }
    if (type() != other.type())
        return false;
    switch (type()) {
    case Type::Nil:
    case Type::Null:
        return true;
    case Type::Bool:
        return boolValue() == other.boolValue();
    case Type::String:
        return stringValue() == other.stringValue();
    case Type::Data:
        return isSameObject(other) || dataValue() == other.dataValue();
    case Type::Date:
        return dateValue() == other.dateValue();
    case Type::Array:
        return isSameObject(other) || arrayValue() == other.arrayValue();
    case Type::Dictionary:
        return isSameObject(other) || dictionaryValue() == other.dictionaryValue();
    default:
        return false;
    }
}

std::string VLValue::description() const {
    std::string out;
    describeInto(out, 0);
    return out;
}

void VLValue::describeInto(std::string& out, int indent) const {
    const std::string pad(size_t(indent + 1) * 4, ' ');
    const std::string closingPad(size_t(indent) * 4, ' ');
    switch (type()) {
    case Type::Nil:
        out += "(null)";
        break;
    case Type::Null:
        out += "<null>";
        break;
    case Type::Bool:
        out += boolValue() ? "1" : "0";
        break;
    case Type::Integer:
        out += std::to_string(integerValue());
        break;
    case Type::Double:
        out += VLNumberFormat::shortest(doubleValue());
        break;
    case Type::String:
        out += stringValue();
        break;
    case Type::Data: {
        static const char* hex = "0123456789abcdef";
        out += '{';
        out += "length = " + std::to_string(dataValue().size()) + ", bytes = 0x";
        for (uint8_t byte : dataValue()) {
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
        out += '}';
        break;
    }
    case Type::Date:
        out += VLNumberFormat::iso8601(dateValue().secondsSince1970);
        break;
    case Type::Array: {
        out += "(\n";
        const VLArray& array = arrayValue();
        for (size_t i = 0; i < array.size(); ++i) {
            out += pad;
            if (array[i].isString())
                appendQuoted(out, array[i].stringValue());
            else
                array[i].describeInto(out, indent + 1);
            out += i + 1 < array.size() ? ",\n" : "\n";
        }
        out += closingPad + ")";
        break;
    }
    case Type::Dictionary: {
        out += "{\n";
        for (const auto& [key, value] : dictionaryValue()) {
            out += pad;
            appendQuoted(out, key);
            out += " = ";
            if (value.isString())
                appendQuoted(out, value.stringValue());
            else
                value.describeInto(out, indent + 1);
            out += ";\n";
        }
        out += closingPad + "}";
        break;
    }
    }
}

VLDictionary::VLDictionary(std::initializer_list<Entry> entries) {
    for (const Entry& entry : entries)
        set(entry.first, entry.second);
}

size_t VLDictionary::indexOf(std::string_view key) const {
    if (!_index.empty()) {
        auto it = _index.find(key);
        return it == _index.end() ? _entries.size() : it->second;
    }
    for (size_t i = 0; i < _entries.size(); ++i) {
        if (_entries[i].first == key)
            return i;
    }
    return _entries.size();
}

const VLValue* VLDictionary::find(std::string_view key) const {
    size_t i = indexOf(key);
    return i < _entries.size() ? &_entries[i].second : nullptr;
}

VLValue* VLDictionary::find(std::string_view key) {
    size_t i = indexOf(key);
    return i < _entries.size() ? &_entries[i].second : nullptr;
}

const VLValue& VLDictionary::get(std::string_view key) const {
    const VLValue* value = find(key);
    return value ? *value : VLValue::nil();
}

void VLDictionary::set(std::string key, VLValue value) {
    if (VLValue* existing = find(key)) {
        *existing = std::move(value);
        return;
    }
    _entries.emplace_back(std::move(key), std::move(value));
    if (_entries.size() == kIndexThreshold)
        rebuildIndex();
    else if (_entries.size() > kIndexThreshold)
        _index.emplace(_entries.back().first, _entries.size() - 1);
}

bool VLDictionary::erase(std::string_view key) {
    size_t i = indexOf(key);
    if (i == _entries.size())
        return false;
    _entries.erase(_entries.begin() + std::ptrdiff_t(i));
    rebuildIndex();
    return true;
}

void VLDictionary::rebuildIndex() {
    _index.clear();
    if (_entries.size() < kIndexThreshold)
        return;
    for (size_t i = 0; i < _entries.size(); ++i)
        _index.emplace(_entries[i].first, i);
}

bool VLDictionary::operator==(const VLDictionary& other) const {
    if (size() != other.size())
        return false;
    for (const auto& [key, value] : _entries) {
        const VLValue* theirs = other.find(key);
        if (!theirs || !(*theirs == value))
            return false;
    }
    return true;
}
