#include "Platform/Foundation/VLPropertyListSerialization.h"

#include "Platform/Foundation/VLBinaryPropertyListReader.h"
#include "Platform/Foundation/VLBinaryPropertyListWriter.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <limits>
#include <unordered_map>
#include <vector>

namespace {

using Reader = VLBinaryPropertyListReader;
using Writer = VLBinaryPropertyListWriter;

void setError(VLErrorRef* error, int64_t code, std::string description) {
    if (error)
        *error = VLError::make(VLCocoaErrorDomain, code,
                               VLDictionary{{VLLocalizedDescriptionKey, VLValue(std::move(description))}});
}

// Reads the object graph into values. Containers and data are read once and shared wherever they are
// referenced again, so a graph of shared objects costs what its objects cost.
class ValueReader {
public:
    explicit ValueReader(Reader& reader) : _reader(reader), _visiting(reader.objectCount(), false) {}

    VLValue read(uint64_t reference, size_t depth) {
        const Reader::Object object = _reader.object(reference);
        switch (object.kind) {
        case Reader::Kind::Null:
            return VLValue::null();
        case Reader::Kind::Boolean:
            return object.boolean;
        case Reader::Kind::Integer:
            return object.integer;
        case Reader::Kind::Real:
            return object.real;
        case Reader::Kind::Date:
            return VLDate{object.real + VLTimeIntervalSince1970OfReferenceDate};
        case Reader::Kind::String:
            return _reader.string(object);
        case Reader::Kind::UID:
            return VLDictionary{{"CF$UID", object.uid > uint64_t(std::numeric_limits<int64_t>::max())
                                               ? VLValue(double(object.uid))
                                               : VLValue(int64_t(object.uid))}};
        case Reader::Kind::Data:
        case Reader::Kind::Array:
        case Reader::Kind::Dictionary:
            return readShared(object, depth);
        }
        return {};
    }

private:
    Reader& _reader;
    std::vector<bool> _visiting;
    std::unordered_map<uint64_t, VLValue> _read;

    VLValue readShared(const Reader::Object& object, size_t depth) {
        if (auto found = _read.find(object.reference); found != _read.end())
            return found->second;
        if (_visiting[object.reference])
            Reader::fail(VLStringWithFormat("Object %llu contains itself", object.reference));
        VLValue value;
        if (object.kind == Reader::Kind::Data) {
            const auto bytes = _reader.data(object);
            value = VLData(bytes.begin(), bytes.end());
        } else {
            if (depth > VLPropertyListMaximumDepth)
                Reader::fail(VLStringWithFormat("The property list nests containers deeper than %zu levels",
                                                VLPropertyListMaximumDepth));
            _visiting[object.reference] = true;
            value =
                object.kind == Reader::Kind::Array ? readArray(object, depth) : readDictionary(object, depth);
            _visiting[object.reference] = false;
        }
        _read.emplace(object.reference, value);
        return value;
    }

    VLValue readArray(const Reader::Object& array, size_t depth) {
        VLArray elements;
        elements.reserve(size_t(array.count));
        for (uint64_t i = 0; i < array.count; ++i)
            elements.push_back(read(_reader.element(array, i), depth + 1));
        return elements;
    }

    VLValue readDictionary(const Reader::Object& dictionary, size_t depth) {
        VLDictionary entries;
        entries.reserve(size_t(dictionary.count));
        for (uint64_t i = 0; i < dictionary.count; ++i) {
            const Reader::Object key = _reader.object(_reader.key(dictionary, i));
            if (key.kind != Reader::Kind::String)
                Reader::fail(
                    VLStringWithFormat("Object %llu has a key that isn't a string", dictionary.reference));
            std::string name = _reader.string(key);
            entries.set(std::move(name), read(_reader.value(dictionary, i), depth + 1));
        }
        return entries;
    }
};

struct WriteFailure {
    std::string reason;
};

// {"CF$UID": N}, the form a UID takes among values.
bool isUID(const VLValue& value) {
    if (!value.isDictionary() || value.count() != 1)
        return false;
    const VLValue& uid = value["CF$UID"];
    return uid.isInteger() && uid.integerValue() >= 0;
}

Writer::Reference write(Writer& writer, const VLValue& value, size_t depth) {
    switch (value.type()) {
    case VLValue::Type::Nil:
        throw WriteFailure{"Nil isn't a property-list value"};
    case VLValue::Type::Null:
        return writer.addNull();
    case VLValue::Type::Bool:
        return writer.addBoolean(value.boolValue());
    case VLValue::Type::Integer:
        return writer.addInteger(value.integerValue());
    case VLValue::Type::Double:
        return writer.addReal(value.doubleValue());
    case VLValue::Type::String:
        return writer.addString(value.stringValue());
    case VLValue::Type::Data:
        return writer.addData(value.dataValue());
    case VLValue::Type::Date:
        return writer.addDate(value.dateValue().secondsSince1970 - VLTimeIntervalSince1970OfReferenceDate);
    case VLValue::Type::Array:
    case VLValue::Type::Dictionary:
        break;
    }
    if (isUID(value))
        return writer.addUID(uint64_t(value["CF$UID"].integerValue()));
    if (depth > VLPropertyListMaximumDepth)
        throw WriteFailure{VLStringWithFormat("The value nests containers deeper than %zu levels",
                                              VLPropertyListMaximumDepth)};
    std::vector<Writer::Reference> keys;
    std::vector<Writer::Reference> members;
    if (value.isArray()) {
        members.reserve(value.count());
        for (const VLValue& element : value.arrayValue())
            members.push_back(write(writer, element, depth + 1));
        return writer.addArray(members);
    }
    keys.reserve(value.count());
    members.reserve(value.count());
    for (const auto& [key, element] : value.dictionaryValue()) {
        keys.push_back(writer.addString(key));
        members.push_back(write(writer, element, depth + 1));
    }
    return writer.addDictionary(keys, members);
}

} // namespace

VLValue VLPropertyListSerialization::propertyListWithData(std::span<const uint8_t> data, VLErrorRef* error) {
    try {
        Reader reader(data);
        return ValueReader(reader).read(reader.topObject(), 1);
    } catch (const Reader::Failure& failure) {
        setError(error, VLPropertyListReadCorruptError, failure.reason);
    }
    return {};
}

std::optional<std::vector<std::optional<std::string>>>
VLPropertyListSerialization::stringsOfTopArrayWithData(std::span<const uint8_t> data, VLErrorRef* error) {
    try {
        Reader reader(data);
        const Reader::Object top = reader.object(reader.topObject());
        if (top.kind != Reader::Kind::Array)
            return std::nullopt;
        ValueReader values(reader);
        std::vector<std::optional<std::string>> elements;
        elements.reserve(size_t(top.count));
        for (uint64_t i = 0; i < top.count; ++i) {
            const uint64_t reference = reader.element(top, i);
            const Reader::Object element = reader.object(reference);
            if (element.kind == Reader::Kind::String) {
                elements.emplace_back(reader.string(element));
            } else {
                values.read(reference, 2);
                elements.emplace_back();
            }
        }
        return elements;
    } catch (const Reader::Failure& failure) {
        setError(error, VLPropertyListReadCorruptError, failure.reason);
    }
    return std::nullopt;
}

std::optional<VLData> VLPropertyListSerialization::dataWithPropertyList(const VLValue& propertyList,
                                                                        VLErrorRef* error) {
    try {
        Writer writer;
        const Writer::Reference top = write(writer, propertyList, 1);
        return writer.data(top);
    } catch (const WriteFailure& failure) {
        setError(error, VLPropertyListWriteInvalidError, failure.reason);
    }
    return std::nullopt;
}
