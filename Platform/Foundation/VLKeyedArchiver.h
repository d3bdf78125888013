#pragma once

#include "Platform/Foundation/VLBinaryPropertyListWriter.h"
#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Code of an archiving failure in VLCocoaErrorDomain, as Foundation numbers it.
inline constexpr int64_t VLCoderInvalidValueError = 4866;

// Deepest nesting of arrays and dictionaries in a keyed archive, written or read.
inline constexpr size_t VLKeyedArchiveMaximumDepth = 256;

// Values to keyed archives in the layout of the platform's archiver, as binary property lists:
//   {"$version": 100000, "$archiver": "NSKeyedArchiver", "$top": {"root": UID(1)},
//    "$objects": ["$null", ...]}
// Texts, numbers, booleans and data stand inline in "$objects"; a dictionary is
// {"NS.keys": [UID...], "NS.objects": [UID...], "$class": UID}, an array {"NS.objects": [UID...], "$class":
// UID}, null {"$class": UID} and a date {"NS.time": seconds since 2001-01-01 00:00 UTC, "$class": UID},
// with one class record per class ({"$classname": "NSDictionary", "$classes": ["NSDictionary",
// "NSObject"]}). Equal booleans, integers and texts of up to 128 bytes, and null, are archived once.
//
// Nil, and nesting deeper than VLKeyedArchiveMaximumDepth, are refused: the result returns nothing and
// *error (when given) says why. Stateless: callable from any thread.
class VLKeyedArchiver {
public:
    static std::optional<VLData> archivedData(const VLValue& root, VLErrorRef* error = nullptr);
    // The archive in pieces for a gathering write, texts and data of at least `borrowedLength` bytes left
    // in the value (which must outlive the pieces) rather than copied.
    static std::optional<VLBinaryPropertyListWriter::Pieces>
    archivedPieces(const VLValue& root, size_t borrowedLength, VLErrorRef* error = nullptr);
};
