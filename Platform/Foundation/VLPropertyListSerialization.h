#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Codes of property-list failures in VLCocoaErrorDomain, as Foundation numbers them.
inline constexpr int64_t VLPropertyListReadCorruptError = 3840;
inline constexpr int64_t VLPropertyListWriteInvalidError = 3851;

// Deepest nesting of arrays and dictionaries read or written.
inline constexpr size_t VLPropertyListMaximumDepth = 512;

// Seconds from 1970-01-01 to 2001-01-01 00:00 UTC, the epoch of property-list dates.
inline constexpr double VLTimeIntervalSince1970OfReferenceDate = 978307200;

// Binary property lists ("bplist00") to values and back, with a codec of our own: strings may hold U+0000.
//
// Reading is strict: the header, the trailer and every offset, reference, count and length are checked;
// integers of 1, 2, 4 and 8 bytes (8 signed) and of 16 when the value fits in 64 bits (an unsigned one
// above the integers' range becomes a double); reals of 4 and 8 bytes; dates; data; ASCII and UTF-16
// strings (a lone surrogate becomes U+FFFD); null; arrays; dictionaries with string keys (a repeated key
// keeps its first place and its last value). A UID reads as {"CF$UID": N}, as XML property lists write
// it, and such a dictionary is written back as a UID. Sets, a container that holds itself, nesting deeper
// than VLPropertyListMaximumDepth and texts far larger than the data are refused. An object that several
// containers share is read once.
//
// Writing: ASCII strings as ASCII, others as UTF-16; integers in the fewest bytes, negative ones in 8;
// doubles in 8; booleans as booleans; dates; data; null as the null object; {"CF$UID": N} (N an integer
// from 0) as a UID. Nil is refused, and so is nesting deeper than VLPropertyListMaximumDepth.
//
// Failures return nothing and set *error (when given) to a VLCocoaErrorDomain error whose description is
// the reason; no exception leaves these functions. Stateless: callable from any thread.
class VLPropertyListSerialization {
public:
    // Nil on failure.
    static VLValue propertyListWithData(std::span<const uint8_t> data, VLErrorRef* error = nullptr);

    // The top array of a property list, as flat lists of texts are kept: each element a string, or
    // nothing for an element of another kind, which is read as propertyListWithData reads it (so a
    // corrupt or cyclic one fails the whole) and then skipped. Nothing when the data is not a property
    // list, with *error set; nothing with *error left untouched when the top object is not an array.
    static std::optional<std::vector<std::optional<std::string>>>
    stringsOfTopArrayWithData(std::span<const uint8_t> data, VLErrorRef* error = nullptr);

    static std::optional<VLData> dataWithPropertyList(const VLValue& propertyList,
                                                      VLErrorRef* error = nullptr);
};
