#pragma once

#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Builds a binary property list ("bplist00") object by object, for the writers built on it (plain
// property lists, keyed archives). Each add returns the new object's reference; containers take the
// references of their members, and a container may be reserved first and filled once its members
// exist. Nothing is shared: a writer that wants equal objects written once keeps their references.
//
// Strings and data are not copied when added: their bytes must outlive data(). Strings are written as
// ASCII when they are, otherwise as UTF-16; integers in the fewest bytes (negative ones in 8), reals in
// 8, booleans as booleans. One writer serves one thread.
class VLBinaryPropertyListWriter {
public:
    using Reference = size_t;

    Reference addNull();
    Reference addBoolean(bool value);
    Reference addInteger(int64_t value);
    Reference addReal(double value);
    // Seconds since 2001-01-01 00:00 UTC.
    Reference addDate(double secondsSince2001);
    Reference addString(std::string_view utf8);
    Reference addData(std::span<const uint8_t> bytes);
    Reference addUID(uint64_t uid);
    Reference addArray(std::span<const Reference> elements);
    Reference addDictionary(std::span<const Reference> keys, std::span<const Reference> values);

    // An object to be filled later as a container (one left unfilled is written as null).
    Reference reserve();
    void setArray(Reference reserved, std::span<const Reference> elements);
    void setDictionary(Reference reserved, std::span<const Reference> keys,
                       std::span<const Reference> values);

    size_t objectCount() const { return _objects.size(); }

    // The property list with `top` as its top object.
    VLData data(Reference top) const;

    // The property list in pieces, for a gathering write: the bytes the writer made and, between them,
    // the payloads of ASCII strings and data of at least `borrowedLength` bytes, left where they are
    // rather than copied. The borrowed bytes must outlive the pieces.
    struct Pieces {
        VLData bytes;
        // Each payload belongs before bytes[position], in order.
        struct Borrowed {
            size_t position;
            std::span<const uint8_t> payload;
        };
        std::vector<Borrowed> borrowed;
        // The length of the whole.
        size_t size() const;
    };
    Pieces pieces(Reference top, size_t borrowedLength) const;

private:
    enum class Kind : uint8_t {
        Reserved,
        Null,
        Boolean,
        Integer,
        Real,
        Date,
        ASCII,
        UTF16,
        Data,
        UID,
        Array,
        Dictionary
    };
    struct Object {
        Kind kind;
        // Booleans, integers, UIDs; the bits of reals and dates; the first reference of containers.
        uint64_t value = 0;
        // Bytes of ASCII strings and data, UTF-16 units, elements of containers.
        size_t count = 0;
        const void* bytes = nullptr;
    };

    std::vector<Object> _objects;
    std::vector<Reference> _references;
    // UTF-16 forms of non-ASCII strings; each keeps its place when more are added.
    std::vector<std::unique_ptr<std::u16string>> _utf16;

    Reference add(Object object);
    Object container(Kind kind, std::span<const Reference> first, std::span<const Reference> second);
    size_t encodedLength(const Object& object, size_t referenceSize) const;
    bool borrows(const Object& object, size_t borrowedLength) const;
    void encode(const Object& object, size_t referenceSize, size_t borrowedLength, Pieces& out) const;
};
