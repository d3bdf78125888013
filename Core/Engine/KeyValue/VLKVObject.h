#pragma once

#include "Core/Engine/KeyValue/VLKVValue.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>

inline constexpr const char* VLKVObjectErrorDomain = "VLKVObjectErrorDomain";

// Typed, failure-tolerant reading of a JSON-like value. Subscripts never fail: a path such as
//   options["layers"][2]["opacity"].doubleValueWithDefault(1.0)
// wraps nothing wherever a step finds nothing, and the typed getter at its end gives the type's
// neutral value, an error, or the default. Each of the eight types (bool, double, integer,
// unsignedInteger, string, data, array, dictionary) has nine getters, for example for double:
//   doubleValue()                          doubleValueWithError(error)    doubleValueWithDefault(d)
//   doubleValueAtIndex(i)                  doubleValueAtIndex(i, error)   doubleValueAtIndex(i, d)
//   doubleValueForKey(key)                 doubleValueForKey(key, error)  doubleValueForKey(key, d)
// Errors are in VLKVObjectErrorDomain: code -1 when the value is missing (nil or null), 1 when it
// does not convert. A wrapper never changes its value; it can be read from any thread.
class VLKVObject : public VLKVValue {
public:
    VLKVObject() = default;
    explicit VLKVObject(VLValue value) : _value(std::move(value)) {}

    static VLKVObject of(VLValue value) { return VLKVObject(std::move(value)); }
    // An array or object in JSON text; a wrapper of nothing when the text is not one.
    static VLKVObject ofJSON(std::string_view json);

    const VLValue& value() const { return _value; }

    // An array's element, or a dictionary's value for the index's decimal text.
    VLKVObject objectAtIndex(size_t index) const;
    // A dictionary's value for a string key, or for the decimal text of a number key (keys are
    // strings); an array's element for a number, or for a string that is wholly an integer.
    VLKVObject objectForKey(const VLValue& key) const;
    VLKVObject operator[](size_t index) const { return objectAtIndex(index); }
    VLKVObject operator[](const VLValue& key) const { return objectForKey(key); }

    // Each entry of a dictionary, wrapped; nothing for other values. Setting stop ends the walk.
    void enumerateKeysAndObjectsUsingBlock(
        const std::function<void(const std::string& key, const VLKVObject& object, bool& stop)>& block) const;
    // Each element of an array, wrapped; nothing for other values.
    void enumerateObjectsUsingBlock(
        const std::function<void(const VLKVObject& object, size_t index, bool& stop)>& block) const;

    // Iterates unwrapped: an array's elements, a dictionary's keys; nothing else.
    class Iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = VLValue;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = VLValue;

        Iterator(const VLValue& container, size_t index) : _container(&container), _index(index) {}
        VLValue operator*() const;
        Iterator& operator++() {
            ++_index;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++_index;
            return before;
        }
        bool operator==(const Iterator& other) const = default;

    private:
        const VLValue* _container;
        size_t _index;
    };
    Iterator begin() const { return Iterator(_value, 0); }
    Iterator end() const { return Iterator(_value, count()); }

    // Elements of an array or dictionary, else 0.
    size_t count() const;

    // Compact text of the value: strings themselves, "" for nothing, "<null>", "[1,2]", "{x:[1,2]}".
    std::string description() const;

#define VL_KV_TYPED_GETTERS(Type, name)                                                                      \
    Type name##Value() const override {                                                                      \
        return name##Read(nullptr);                                                                          \
    }                                                                                                        \
    Type name##ValueWithError(VLErrorRef& error) const {                                                     \
        return name##Read(&error);                                                                           \
    }                                                                                                        \
    Type name##ValueAtIndex(size_t index) const {                                                            \
        return objectAtIndex(index).name##Value();                                                           \
    }                                                                                                        \
    Type name##ValueForKey(const VLValue& key) const {                                                       \
        return objectForKey(key).name##Value();                                                              \
    }                                                                                                        \
    Type name##ValueAtIndex(size_t index, VLErrorRef& error) const {                                         \
        return objectAtIndex(index).name##ValueWithError(error);                                             \
    }                                                                                                        \
    Type name##ValueForKey(const VLValue& key, VLErrorRef& error) const {                                    \
        return objectForKey(key).name##ValueWithError(error);                                                \
    }                                                                                                        \
    Type name##ValueWithDefault(Type defaultValue) const {                                                   \
        bool failed = false;                                                                                 \
        Type result = name##Read(nullptr, &failed);                                                          \
        return failed ? std::move(defaultValue) : result;                                                    \
    }                                                                                                        \
    Type name##ValueAtIndex(size_t index, Type defaultValue) const {                                         \
        return objectAtIndex(index).name##ValueWithDefault(std::move(defaultValue));                         \
    }                                                                                                        \
    Type name##ValueForKey(const VLValue& key, Type defaultValue) const {                                    \
        return objectForKey(key).name##ValueWithDefault(std::move(defaultValue));                            \
    }

    VL_KV_TYPED_GETTERS(bool, bool)
    VL_KV_TYPED_GETTERS(double, double)
    VL_KV_TYPED_GETTERS(int64_t, integer)
    VL_KV_TYPED_GETTERS(uint64_t, unsignedInteger)
    VL_KV_TYPED_GETTERS(std::string, string)
    VL_KV_TYPED_GETTERS(VLData, data)
    VL_KV_TYPED_GETTERS(VLArray, array)
    VL_KV_TYPED_GETTERS(VLDictionary, dictionary)
#undef VL_KV_TYPED_GETTERS

private:
    VLValue _value;

    // The conversions: the value as the type, or the type's neutral value, *error (when given) and
    // *failed (when given). A miss read with a default is common (an absent key), so the error is made
    // only for a caller that asks for it.
    bool boolRead(VLErrorRef* error, bool* failed = nullptr) const;
    double doubleRead(VLErrorRef* error, bool* failed = nullptr) const;
    int64_t integerRead(VLErrorRef* error, bool* failed = nullptr) const;
    uint64_t unsignedIntegerRead(VLErrorRef* error, bool* failed = nullptr) const;
    std::string stringRead(VLErrorRef* error, bool* failed = nullptr) const;
    VLData dataRead(VLErrorRef* error, bool* failed = nullptr) const;
    VLArray arrayRead(VLErrorRef* error, bool* failed = nullptr) const;
    VLDictionary dictionaryRead(VLErrorRef* error, bool* failed = nullptr) const;

    template <typename Result, typename Conversion>
    Result read(Conversion conversion, std::string_view failureFormat, Result neutral, VLErrorRef* error,
                bool* failed) const;
};
