#include "Platform/Foundation/VLKeyedUnarchiver.h"

#include "Platform/Foundation/VLBinaryPropertyListReader.h"
#include "Platform/Foundation/VLKeyedArchiver.h"
#include "Platform/Foundation/VLPropertyListSerialization.h"
#include "Platform/Foundation/VLStringWithFormat.h"

#include <unordered_map>
#include <vector>

namespace {

using Reader = VLBinaryPropertyListReader;

enum class ArchivedClass { Dictionary, Array, String, Data, Date, Null };

// The classes taken, by the names the platform's archiver writes.
std::optional<ArchivedClass> archivedClassNamed(std::string_view name) {
    static const std::unordered_map<std::string_view, ArchivedClass> classes{
        {"NSDictionary", ArchivedClass::Dictionary},
        {"NSMutableDictionary", ArchivedClass::Dictionary},
        {"NSArray", ArchivedClass::Array},
        {"NSMutableArray", ArchivedClass::Array},
        {"NSString", ArchivedClass::String},
        {"NSMutableString", ArchivedClass::String},
        {"NSData", ArchivedClass::Data},
        {"NSMutableData", ArchivedClass::Data},
        {"NSDate", ArchivedClass::Date},
        {"NSNull", ArchivedClass::Null},
    };
    auto found = classes.find(name);
    return found == classes.end() ? std::nullopt : std::optional(found->second);
}

// Decodes one archive. Objects in object form are decoded once and shared; texts read again from the
// property list count against its text budget, and so do texts handed out again from the cache.
class Unarchiver {
public:
    // Every member of an archived container takes a reference of its own in the data, unless records
    // share their arrays, which the platform's archiver never does: members cost one each from a budget
    // of the data's length, so that shared arrays cannot multiply the work.
    Unarchiver(Reader& reader, size_t length) : _reader(reader), _memberBudget(length) {}

    VLValue decodeRoot() {
        const Reader::Object top = _reader.object(_reader.topObject());
        if (top.kind != Reader::Kind::Dictionary)
            notAnArchive("its top isn't a dictionary");
        const auto archiver = _reader.find(top, "$archiver");
        if (!archiver || !_reader.stringEquals(_reader.object(*archiver), "NSKeyedArchiver"))
            notAnArchive("it has no \"$archiver\" of \"NSKeyedArchiver\"");
        const auto version = _reader.find(top, "$version");
        const Reader::Object versionObject = version ? _reader.object(*version) : Reader::Object{};
        if (versionObject.kind != Reader::Kind::Integer || versionObject.integer != 100000)
            notAnArchive("it has no \"$version\" of 100000");
        const auto topObjects = _reader.find(top, "$top");
        const Reader::Object topObjectsObject = topObjects ? _reader.object(*topObjects) : Reader::Object{};
        const auto root = topObjectsObject.kind == Reader::Kind::Dictionary
                              ? _reader.find(topObjectsObject, "root")
                              : std::nullopt;
        const Reader::Object rootObject = root ? _reader.object(*root) : Reader::Object{};
        if (rootObject.kind != Reader::Kind::UID)
            notAnArchive("it has no \"$top\" with a \"root\" UID");
        const auto objects = _reader.find(top, "$objects");
        _objects = objects ? _reader.object(*objects) : Reader::Object{};
        if (_objects.kind != Reader::Kind::Array)
            notAnArchive("it has no \"$objects\" array");
        _visiting.assign(size_t(_objects.count), false);
        if (rootObject.uid == 0)
            Reader::fail("The archive's root is nil");
        return decode(rootObject.uid, 1);
    }

private:
    Reader& _reader;
    size_t _memberBudget;
    Reader::Object _objects;
    std::vector<bool> _visiting;
    std::unordered_map<uint64_t, VLValue> _decoded;
    std::unordered_map<uint64_t, ArchivedClass> _classes;

    [[noreturn]] static void notAnArchive(const char* why) {
        Reader::fail(VLStringWithFormat("The property list isn't a keyed archive: %s", why));
    }

    Reader::Object archivedObject(uint64_t uid) {
        if (uid >= _objects.count)
            Reader::fail(
                VLStringWithFormat("UID %llu is past the %llu archived objects", uid, _objects.count));
        return _reader.object(_reader.element(_objects, uid));
    }

    // A UID that a record holds under the key, or among the elements of an array it holds.
    uint64_t uidIn(const Reader::Object& object, uint64_t owner) {
        if (object.kind != Reader::Kind::UID)
            Reader::fail(VLStringWithFormat("Archived object %llu holds a member that isn't a UID", owner));
        return object.uid;
    }

    Reader::Object field(const Reader::Object& record, uint64_t owner, const char* key, Reader::Kind kind) {
        const auto found = _reader.find(record, key);
        const Reader::Object object = found ? _reader.object(*found) : Reader::Object{};
        const bool isNumber = kind == Reader::Kind::Real && object.kind == Reader::Kind::Integer;
        if (!found || (object.kind != kind && !isNumber))
            Reader::fail(VLStringWithFormat("Archived object %llu has no valid \"%s\"", owner, key));
        return object;
    }

    VLValue decodeMember(uint64_t uid, uint64_t owner, size_t depth) {
        if (_memberBudget == 0)
            Reader::fail("The archive's containers hold more members than its data");
        --_memberBudget;
        if (uid == 0)
            Reader::fail(VLStringWithFormat("Archived object %llu holds a nil member", owner));
        return decode(uid, depth);
    }

    VLValue decode(uint64_t uid, size_t depth) {
        if (auto found = _decoded.find(uid); found != _decoded.end()) {
            if (found->second.isString())
                _reader.chargeText(found->second.stringValue().size());
            return found->second;
        }
        const Reader::Object object = archivedObject(uid);
        switch (object.kind) {
        case Reader::Kind::String:
            return _reader.string(object);
        case Reader::Kind::Integer:
            return object.integer;
        case Reader::Kind::Real:
            return object.real;
        case Reader::Kind::Boolean:
            return object.boolean;
        case Reader::Kind::Data: {
            const auto bytes = _reader.data(object);
            return _decoded.emplace(uid, VLData(bytes.begin(), bytes.end())).first->second;
        }
        case Reader::Kind::Dictionary:
            break;
        default:
            Reader::fail(
                VLStringWithFormat("Archived object %llu is neither inline nor in object form", uid));
        }
        if (_visiting[uid])
            Reader::fail(VLStringWithFormat("Archived object %llu contains itself", uid));
        _visiting[uid] = true;
        VLValue value = decodeRecord(object, uid, depth);
        _visiting[uid] = false;
        return _decoded.emplace(uid, std::move(value)).first->second;
    }

    ArchivedClass classOf(const Reader::Object& record, uint64_t uid) {
        const uint64_t classUID = uidIn(field(record, uid, "$class", Reader::Kind::UID), uid);
        if (auto found = _classes.find(classUID); found != _classes.end())
            return found->second;
        const Reader::Object classRecord = archivedObject(classUID);
        const auto name = classRecord.kind == Reader::Kind::Dictionary
                              ? _reader.find(classRecord, "$classname")
                              : std::nullopt;
        const Reader::Object nameObject = name ? _reader.object(*name) : Reader::Object{};
        if (nameObject.kind != Reader::Kind::String)
            Reader::fail(VLStringWithFormat("Archived object %llu has a class without a name", uid));
        const std::string className = _reader.string(nameObject);
        const auto archivedClass = archivedClassNamed(className);
        if (!archivedClass)
            Reader::fail(VLStringWithFormat("Archived object %llu is of the class %@, which isn't allowed",
                                            uid, className));
        _classes.emplace(classUID, *archivedClass);
        return *archivedClass;
    }

    VLValue decodeRecord(const Reader::Object& record, uint64_t uid, size_t depth) {
        const ArchivedClass archivedClass = classOf(record, uid);
        switch (archivedClass) {
        case ArchivedClass::String:
            return _reader.string(field(record, uid, "NS.string", Reader::Kind::String));
        case ArchivedClass::Data: {
            const auto bytes = _reader.data(field(record, uid, "NS.data", Reader::Kind::Data));
            return VLData(bytes.begin(), bytes.end());
        }
        case ArchivedClass::Date: {
            const Reader::Object time = field(record, uid, "NS.time", Reader::Kind::Real);
            const double seconds = time.kind == Reader::Kind::Integer ? double(time.integer) : time.real;
            return VLDate{seconds + VLTimeIntervalSince1970OfReferenceDate};
        }
        case ArchivedClass::Null:
            return VLValue::null();
        case ArchivedClass::Array:
        case ArchivedClass::Dictionary:
            break;
        }
        if (depth > VLKeyedArchiveMaximumDepth)
            Reader::fail(VLStringWithFormat("The archive nests containers deeper than %zu levels",
                                            VLKeyedArchiveMaximumDepth));
        const Reader::Object members = field(record, uid, "NS.objects", Reader::Kind::Array);
        if (archivedClass == ArchivedClass::Array) {
            VLArray elements;
            elements.reserve(size_t(members.count));
            for (uint64_t i = 0; i < members.count; ++i)
                elements.push_back(
                    decodeMember(uidIn(_reader.object(_reader.element(members, i)), uid), uid, depth + 1));
            return elements;
        }
        const Reader::Object keys = field(record, uid, "NS.keys", Reader::Kind::Array);
        if (keys.count != members.count)
            Reader::fail(VLStringWithFormat("Archived object %llu has %llu keys for %llu values", uid,
                                            keys.count, members.count));
        VLDictionary entries;
        entries.reserve(size_t(keys.count));
        for (uint64_t i = 0; i < keys.count; ++i) {
            VLValue key = decodeMember(uidIn(_reader.object(_reader.element(keys, i)), uid), uid, depth + 1);
            if (!key.isString())
                Reader::fail(VLStringWithFormat("Archived object %llu has a key that isn't a text", uid));
            VLValue value =
                decodeMember(uidIn(_reader.object(_reader.element(members, i)), uid), uid, depth + 1);
            entries.set(key.stringValue(), std::move(value));
        }
        return entries;
    }
};

VLValue unarchive(std::span<const uint8_t> data, bool requiresDictionary, VLErrorRef* error) {
    try {
        Reader reader(data);
        VLValue root = Unarchiver(reader, data.size()).decodeRoot();
        if (requiresDictionary && !root.isDictionary())
            Reader::fail("The archive's root isn't a dictionary");
        return root;
    } catch (const Reader::Failure& failure) {
        if (error)
            *error = VLError::make(VLCocoaErrorDomain, VLCoderReadCorruptError,
                                   VLDictionary{{VLLocalizedDescriptionKey, VLValue(failure.reason)}});
    }
    return {};
}

} // namespace

VLValue VLKeyedUnarchiver::unarchivedObject(std::span<const uint8_t> data, VLErrorRef* error) {
    return unarchive(data, false, error);
}

VLValue VLKeyedUnarchiver::unarchivedDictionary(std::span<const uint8_t> data, VLErrorRef* error) {
    return unarchive(data, true, error);
}
