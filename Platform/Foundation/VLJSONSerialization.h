#pragma once

#include "Platform/Foundation/VLError.h"
#include "Platform/Foundation/VLValue.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Code of every JSON failure, reading or writing, in VLCocoaErrorDomain.
inline constexpr int64_t VLJSONErrorCode = 3840;

// Deepest nesting of arrays and objects that is read or written by default.
inline constexpr size_t VLJSONDefaultMaximumDepth = 512;

struct VLJSONReadingOptions {
    // Accept a string, number, boolean or null at the top level, not only an array or object.
    bool fragmentsAllowed = false;
    size_t maximumDepth = VLJSONDefaultMaximumDepth;
};

struct VLJSONWritingOptions {
    // Write a string, number, boolean or null at the top level, not only an array or object.
    bool fragmentsAllowed = false;
    size_t maximumDepth = VLJSONDefaultMaximumDepth;
    // When set, a value that JSON cannot hold (nil, a date, data, NaN or an infinity) is handed to it and
    // what it returns is written in its place, so that a caller with its own rules for those values
    // need not copy the whole graph first. What it returns must be writable as it is.
    std::function<VLValue(const VLValue&)> substitute;
    // Write data as the array of its bytes' numbers, straight from the bytes, instead of asking the
    // substitute: data of hundreds of megabytes would otherwise become a value per byte first.
    bool writesDataAsByteArrays = false;
};

// JSON text to values and back.
//
// Reading: UTF-8 text (a byte-order mark is skipped) becomes a value whose objects keep their key
// order (a repeated key keeps its first place and its last value). Integers that fit become
// 64-bit integers, larger ones and all other numbers doubles; true and false become booleans.
//
// Writing is compact and exact: keys in the dictionary's order, integers in decimal, doubles in the
// shortest text that reads back the same (3.0 is written 3), strings with only '"', '\\' and control
// characters escaped. NaN, infinities, dates, data, nil and strings that are not UTF-8 are refused.
//
// Failures return nothing and set *error (when given) to a VLCocoaErrorDomain error with code
// VLJSONErrorCode and a description of what was wrong; no exception leaves these functions.
// Stateless: callable from any thread.
class VLJSONSerialization {
public:
    // Nil on failure.
    static VLValue JSONObjectWithData(std::string_view text, const VLJSONReadingOptions& options = {},
                                      VLErrorRef* error = nullptr);

    static std::optional<std::string> dataWithJSONObject(const VLValue& object,
                                                         const VLJSONWritingOptions& options = {},
                                                         VLErrorRef* error = nullptr);
};
