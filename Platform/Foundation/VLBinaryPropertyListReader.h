#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Strict access to the objects of a binary property list ("bplist00"), for the readers built on it
// (plain property lists, keyed archives). Nothing is copied up front: objects are found through the
// offset table when asked for, and every offset, reference, count and length is checked against the
// data before it is used, so hostile input costs no more memory than the data itself.
//
// Failures throw Failure with a reason; the readers built on this class catch it, and no exception leaves
// them. The bytes must outlive the reader. One reader serves one thread.
class VLBinaryPropertyListReader {
public:
    struct Failure {
        std::string reason;
    };

    enum class Kind { Null, Boolean, Integer, Real, Date, Data, String, UID, Array, Dictionary };

    // One object as its marker describes it.
    struct Object {
        uint64_t reference = 0;
        Kind kind = Kind::Null;
        // Elements of arrays and dictionaries, bytes of data, UTF-16 units or bytes of strings.
        uint64_t count = 0;
        // Where the payload starts: the bytes of data and strings, the references of containers.
        size_t start = 0;
        // Strings: UTF-16 units rather than ASCII bytes.
        bool isUTF16 = false;
        bool boolean = false;
        int64_t integer = 0;
        // Reals, and dates in seconds since 2001-01-01 00:00 UTC.
        double real = 0;
        uint64_t uid = 0;
    };

    // Checks the header, the trailer and where the offset table lies.
    explicit VLBinaryPropertyListReader(std::span<const uint8_t> bytes);

    uint64_t objectCount() const { return _objectCount; }
    uint64_t topObject() const { return _topObject; }

    Object object(uint64_t reference) const;

    // The reference of an array's element, a dictionary's key or a dictionary's value.
    uint64_t element(const Object& array, uint64_t index) const;
    uint64_t key(const Object& dictionary, uint64_t index) const;
    uint64_t value(const Object& dictionary, uint64_t index) const;
    // The value of the first key equal to the ASCII text; nothing when the dictionary has none.
    std::optional<uint64_t> find(const Object& dictionary, std::string_view key) const;

    // A string in UTF-8; a lone surrogate becomes U+FFFD. Every text made counts against a budget
    // proportional to the data, so that references to one long string cannot fill memory.
    std::string string(const Object& string);
    // Whether a string object holds exactly this ASCII text; nothing is made or counted.
    bool stringEquals(const Object& string, std::string_view ascii) const;
    std::span<const uint8_t> data(const Object& data) const;

    // Counts text made elsewhere from this data (a copy of a text already read) against the budget.
    void chargeText(size_t length);

    [[noreturn]] static void fail(std::string reason);

private:
    std::span<const uint8_t> _bytes;
    uint8_t _offsetSize = 0;
    uint8_t _referenceSize = 0;
    uint64_t _objectCount = 0;
    uint64_t _topObject = 0;
    // Objects lie between the header and the offset table.
    uint64_t _offsetTableStart = 0;
    size_t _textBudget = 0;

    uint64_t readUnsigned(size_t position, size_t width) const;
    uint64_t readReference(size_t position, uint64_t from) const;
    // The payload's size in units of `unit` bytes, checked to fit before the offset table.
    void checkPayload(const Object& object, uint64_t unit) const;
    uint64_t readCount(uint64_t reference, uint8_t marker, size_t& position) const;
    void readScalar(Object& object, uint8_t marker, size_t position) const;
    void checkContainerIndex(const Object& container, Kind kind, uint64_t index) const;
};
