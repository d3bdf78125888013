#include "Platform/Foundation/VLKeyedArchiver.h"

#include "Platform/Foundation/VLBinaryPropertyListWriter.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

using Writer = VLBinaryPropertyListWriter;
using Reference = Writer::Reference;

constexpr Reference kNone = Reference(-1);
constexpr size_t kLongestSharedText = 128;

struct ArchiveFailure {
    std::string reason;
};

// Builds one archive. Every archived object has a UID, its index in "$objects"; members refer to each
// other by UID objects of the property list, one per UID.
class Archiver {
public:
    Archiver() {
        _objects.push_back(_writer.addString("$null"));
        _classKey = _writer.addString("$class");
    }

    Writer::Pieces archive(const VLValue& root, size_t borrowedLength) {
        const uint64_t rootUID = encode(root, 1);
        const std::array topKeys{_writer.addString("$version"), _writer.addString("$archiver"),
                                 _writer.addString("$top"), _writer.addString("$objects")};
        const Reference rootKey = _writer.addString("root");
        const Reference rootReference = uidObject(rootUID);
        const std::array topValues{_writer.addInteger(100000), _writer.addString("NSKeyedArchiver"),
                                   _writer.addDictionary({&rootKey, 1}, {&rootReference, 1}),
                                   _writer.addArray(_objects)};
        return _writer.pieces(_writer.addDictionary(topKeys, topValues), borrowedLength);
    }

private:
    Writer _writer;
    // The property-list object of each UID, and the UID objects made so far (kNone where none is).
    std::vector<Reference> _objects;
    std::vector<Reference> _uidObjects;
    std::unordered_map<std::string_view, uint64_t> _texts;
    std::unordered_map<int64_t, uint64_t> _integers;
    std::unordered_map<std::string_view, uint64_t> _classes;
    std::array<uint64_t, 2> _booleans{0, 0};
    uint64_t _null = 0;
    Reference _classKey = kNone;
    Reference _keysKey = kNone;
    Reference _objectsKey = kNone;
    Reference _timeKey = kNone;

    uint64_t add(Reference object) {
        _objects.push_back(object);
        return _objects.size() - 1;
    }

    Reference uidObject(uint64_t uid) {
        if (uid >= _uidObjects.size())
            _uidObjects.resize(uid + 1, kNone);
        if (_uidObjects[uid] == kNone)
            _uidObjects[uid] = _writer.addUID(uid);
        return _uidObjects[uid];
    }

    Reference key(Reference& interned, std::string_view name) {
        if (interned == kNone)
            interned = _writer.addString(name);
        return interned;
    }

    // The class record, written once per archive.
    uint64_t classUID(std::string_view name) {
        if (auto found = _classes.find(name); found != _classes.end())
            return found->second;
        const std::array names{_writer.addString(name), _writer.addString("NSObject")};
        const std::array keys{_writer.addString("$classname"), _writer.addString("$classes")};
        const std::array values{names[0], _writer.addArray(names)};
        const uint64_t uid = add(_writer.addDictionary(keys, values));
        _classes.emplace(name, uid);
        return uid;
    }

    // An object of a class: its keys and values, then "$class".
    void setRecord(uint64_t uid, std::string_view className, std::span<const Reference> keys,
                   std::span<const Reference> values) {
        std::vector<Reference> allKeys(keys.begin(), keys.end());
        std::vector<Reference> allValues(values.begin(), values.end());
        allKeys.push_back(_classKey);
        allValues.push_back(uidObject(classUID(className)));
        _writer.setDictionary(_objects[uid], allKeys, allValues);
    }

    uint64_t encodeText(std::string_view text) {
        // Keys, names and short values repeat; long texts seldom do, and hashing them costs more than
        // sharing them saves.
        if (text.size() > kLongestSharedText)
            return add(_writer.addString(text));
        auto [found, isNew] = _texts.try_emplace(text, 0);
        if (isNew)
            found->second = add(_writer.addString(text));
        return found->second;
    }

    uint64_t encode(const VLValue& value, size_t depth) {
        switch (value.type()) {
        case VLValue::Type::Nil:
            throw ArchiveFailure{"Nil can't be archived"};
        case VLValue::Type::Null:
            if (_null == 0) {
                _null = add(_writer.reserve());
                setRecord(_null, "NSNull", {}, {});
            }
            return _null;
        case VLValue::Type::Bool: {
            uint64_t& uid = _booleans[value.boolValue() ? 1 : 0];
            if (uid == 0)
                uid = add(_writer.addBoolean(value.boolValue()));
            return uid;
        }
        case VLValue::Type::Integer: {
            auto [found, isNew] = _integers.try_emplace(value.integerValue(), 0);
            if (isNew)
                found->second = add(_writer.addInteger(value.integerValue()));
            return found->second;
        }
        case VLValue::Type::Double:
            return add(_writer.addReal(value.doubleValue()));
        case VLValue::Type::String:
            return encodeText(value.stringValue());
        case VLValue::Type::Data:
            return add(_writer.addData(value.dataValue()));
        case VLValue::Type::Date: {
            const uint64_t uid = add(_writer.reserve());
            const Reference timeKey = key(_timeKey, "NS.time");
            const Reference time =
                _writer.addReal(value.dateValue().secondsSince1970 - VLTimeIntervalSince1970OfReferenceDate);
            setRecord(uid, "NSDate", {&timeKey, 1}, {&time, 1});
            return uid;
        }
        case VLValue::Type::Array:
        case VLValue::Type::Dictionary:
            return encodeContainer(value, depth);
        }
        return 0;
    }

    uint64_t encodeContainer(const VLValue& value, size_t depth) {
        if (depth > VLKeyedArchiveMaximumDepth)
            throw ArchiveFailure{VLStringWithFormat("The value nests containers deeper than %zu levels",
                                                    VLKeyedArchiveMaximumDepth)};
        // The container takes its UID before its members, as the platform's archiver numbers them.
        const uint64_t uid = add(_writer.reserve());
        std::vector<Reference> members;
        members.reserve(value.count());
        if (value.isArray()) {
            for (const VLValue& element : value.arrayValue())
                members.push_back(uidObject(encode(element, depth + 1)));
            const Reference objectsKey = key(_objectsKey, "NS.objects");
            const Reference objects = _writer.addArray(members);
            setRecord(uid, "NSArray", {&objectsKey, 1}, {&objects, 1});
            return uid;
        }
        std::vector<Reference> keys;
        keys.reserve(value.count());
        for (const auto& [name, element] : value.dictionaryValue()) {
            keys.push_back(uidObject(encodeText(name)));
            members.push_back(uidObject(encode(element, depth + 1)));
        }
        const std::array recordKeys{key(_keysKey, "NS.keys"), key(_objectsKey, "NS.objects")};
        const std::array recordValues{_writer.addArray(keys), _writer.addArray(members)};
        setRecord(uid, "NSDictionary", recordKeys, recordValues);
        return uid;
    }
};

} // namespace

std::optional<VLData> VLKeyedArchiver::archivedData(const VLValue& root, VLErrorRef* error) {
    auto pieces = archivedPieces(root, SIZE_MAX, error);
    return pieces ? std::optional(std::move(pieces->bytes)) : std::nullopt;
}

std::optional<VLBinaryPropertyListWriter::Pieces>
VLKeyedArchiver::archivedPieces(const VLValue& root, size_t borrowedLength, VLErrorRef* error) {
    try {
        return Archiver().archive(root, borrowedLength);
    } catch (const ArchiveFailure& failure) {
        if (error)
            *error = VLError::make(VLCocoaErrorDomain, VLCoderInvalidValueError,
                                   VLDictionary{{VLLocalizedDescriptionKey, VLValue(failure.reason)}});
    }
    return std::nullopt;
}
