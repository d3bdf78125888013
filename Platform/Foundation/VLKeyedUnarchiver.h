#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <span>

// Code of a decoding failure in VLCocoaErrorDomain, as Foundation numbers it.
inline constexpr int64_t VLCoderReadCorruptError = 4864;

// Keyed archives (binary property lists in the layout VLKeyedArchiver writes) back to values, taking
// only the classes NSDictionary, NSArray, NSString, NSNumber, NSData, NSNull and NSDate, and the mutable
// forms NSMutableDictionary, NSMutableArray, NSMutableString ("NS.string") and NSMutableData ("NS.data").
// Texts, numbers, booleans and data may stand inline or, for texts and data, in object form. An object
// that several others refer to is decoded once.
//
// Each of these is a failure with its reason: a property list that is not a valid binary one, a top that
// is not the archiver's layout, another class (NSSet, NSURL), a UID past "$objects", a value that holds
// itself, a nil member, nesting deeper than VLKeyedArchiveMaximumDepth, a dictionary key that is not a
// text, and for unarchivedDictionary a root that is not a dictionary. A hostile archive costs time and
// memory in proportion to its length.
//
// Failures return nothing and set *error (when given) to a VLCocoaErrorDomain error with the code
// VLCoderReadCorruptError whose description is the reason; no exception leaves these functions.
// Stateless: callable from any thread.
class VLKeyedUnarchiver {
public:
    // The root object; nil on failure.
    static VLValue unarchivedObject(std::span<const uint8_t> data, VLErrorRef* error = nullptr);
    // The root, a dictionary; nil on failure.
    static VLValue unarchivedDictionary(std::span<const uint8_t> data, VLErrorRef* error = nullptr);
};
