#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

class VLValue;
class VLDictionary;

using VLArray = std::vector<VLValue>;
using VLData = std::vector<uint8_t>;

// The null object, as distinct from nil (nothing at all).
struct VLNull {
    bool operator==(const VLNull&) const = default;
};

// A point in time, in seconds since 1970-01-01 UTC.
struct VLDate {
    double secondsSince1970 = 0;
    bool operator==(const VLDate&) const = default;
};

// One value of a Foundation-like object graph: nil, null, bool, integer, double, UTF-8 string, data,
// date, array or dictionary. Booleans are never numbers. Containers and data are shared and copied on
// write, so copying a value is cheap and an unchanged subtree keeps its identity (isSameObject).
// A value may be read from several threads at once; it is written by one thread at a time.
class VLValue {
public:
    enum class Type { Nil, Null, Bool, Integer, Double, String, Data, Date, Array, Dictionary };

    VLValue() = default;
    VLValue(std::nullptr_t) {}
    VLValue(VLNull) : _storage(VLNull{}) {}
    VLValue(bool b) : _storage(b) {}
    VLValue(int i) : _storage(int64_t(i)) {}
    VLValue(unsigned int i) : _storage(int64_t(i)) {}
    VLValue(long i) : _storage(int64_t(i)) {}
    VLValue(long long i) : _storage(int64_t(i)) {}
    VLValue(unsigned long i) : _storage(int64_t(i)) {}
    VLValue(unsigned long long i) : _storage(int64_t(i)) {}
    VLValue(double d) : _storage(d) {}
    VLValue(float d) : _storage(double(d)) {}
    VLValue(const char* s);
    VLValue(std::string s) : _storage(std::move(s)) {}
    VLValue(std::string_view s) : _storage(std::string(s)) {}
    VLValue(VLData data);
    VLValue(VLDate date) : _storage(date) {}
    VLValue(VLArray array);
    VLValue(VLDictionary dictionary);
    VLValue(std::initializer_list<VLValue> array) : VLValue(VLArray(array)) {}

    static VLValue null() { return VLValue(VLNull{}); }

    Type type() const { return Type(_storage.index()); }
    bool isNil() const { return type() == Type::Nil; }
    bool isNull() const { return type() == Type::Null; }
    // Nil or null: "no value" for most readers.
    bool isMissing() const { return isNil() || isNull(); }
    bool isBool() const { return type() == Type::Bool; }
    bool isInteger() const { return type() == Type::Integer; }
    bool isDouble() const { return type() == Type::Double; }
    bool isNumber() const { return isInteger() || isDouble(); }
    bool isString() const { return type() == Type::String; }
    bool isData() const { return type() == Type::Data; }
    bool isDate() const { return type() == Type::Date; }
    bool isArray() const { return type() == Type::Array; }
    bool isDictionary() const { return type() == Type::Dictionary; }

    // Typed reads; a value of another type reads as the type's neutral value.
    bool boolValue() const;
    int64_t integerValue() const;
    double doubleValue() const;
    const std::string& stringValue() const;
    const VLData& dataValue() const;
    VLDate dateValue() const;
    // The bytes of a data value (empty for any other type), moved out when this value is their only
    // holder and copied otherwise; the value becomes nil.
    VLData takeData();
    const VLArray& arrayValue() const;
    const VLDictionary& dictionaryValue() const;

    // Mutable access; converts a value of another type to an empty container first.
    VLArray& mutableArray();
    VLDictionary& mutableDictionary();

    // Element count of an array or dictionary, byte count of data, else 0.
    size_t count() const;
    // Dictionary lookup; nil when absent or when this is not a dictionary.
    const VLValue& operator[](std::string_view key) const;
    // Array element; nil when out of range or when this is not an array.
    const VLValue& operator[](size_t index) const;

    // Same shared container or data (or equal scalars): the identity that unchanged subtrees keep.
    bool isSameObject(const VLValue& other) const;

    // Deep equality. Integers and doubles of the same numeric value are equal; booleans equal only
    // booleans; dictionaries compare as maps (key order does not matter).
    bool operator==(const VLValue& other) const;

    // Foundation's description text: "(null)" for nil, "<null>" for null, "1"/"0" for booleans,
    // shortest round-trip digits for numbers, old-style property-list text for containers.
    std::string description() const;

    static const VLValue& nil();

private:
    using Storage = std::variant<std::monostate, VLNull, bool, int64_t, double, std::string,
                                 std::shared_ptr<const VLData>, VLDate, std::shared_ptr<const VLArray>,
                                 std::shared_ptr<const VLDictionary>>;
    Storage _storage;

    void describeInto(std::string& out, int indent) const;
    template <typename Container>
    Container& mutableContainer();
    friend class VLDictionary;
};

// A dictionary with string keys that keeps insertion order. Replacing a key's value keeps its place.
class VLDictionary {
public:
    using Entry = std::pair<std::string, VLValue>;

    VLDictionary() = default;
    VLDictionary(std::initializer_list<Entry> entries);

    size_t size() const { return _entries.size(); }
    bool empty() const { return _entries.empty(); }
    bool contains(std::string_view key) const { return find(key) != nullptr; }
    // nullptr when absent.
    const VLValue* find(std::string_view key) const;
    VLValue* find(std::string_view key);
    // nil when absent.
    const VLValue& get(std::string_view key) const;
    void set(std::string key, VLValue value);
    bool erase(std::string_view key);
    void clear() { _entries.clear(); }
    // Room for this many entries in all, for a caller that knows how many it will set.
    void reserve(size_t count) { _entries.reserve(count); }

    std::vector<Entry>::const_iterator begin() const { return _entries.begin(); }
    std::vector<Entry>::const_iterator end() const { return _entries.end(); }
    const std::vector<Entry>& entries() const { return _entries; }

    bool operator==(const VLDictionary& other) const;

private:
    struct KeyHash {
        using is_transparent = void;
        size_t operator()(std::string_view key) const { return std::hash<std::string_view>()(key); }
    };
    std::vector<Entry> _entries;
    // Key → position, kept only for larger dictionaries so that small ones stay cheap to copy.
    std::unordered_map<std::string, size_t, KeyHash, std::equal_to<>> _index;
    size_t indexOf(std::string_view key) const;
    void rebuildIndex();
};
