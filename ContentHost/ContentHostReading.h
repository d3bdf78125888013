#pragma once

#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/Foundation/VLSize.h"
#include "Platform/Foundation/VLValue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// How the host reads the values of a message, and writes its geometry. A value of the wrong type reads
// as nothing, and the handler then does what it does for a missing key.
//
// Numbers: an Int is an integer, a boolean (0 or 1) or a finite real that fits in 64 bits once
// truncated; a Double is any number or boolean; a Bool is a boolean or a number, zero being false.
// Geometry travels as arrays of numbers, each finite and at most 1,000,000 from zero: a size is
// [width, height] with neither negative, a point [x, y], a rect [x, y, width, height] with a size's
// rule for its last two; any other array reads as nothing. Insets are only written.
class ContentHostReading {
public:
    ContentHostReading() = delete;

    static std::optional<int64_t> integer(const VLValue& value);
    static std::optional<double> number(const VLValue& value);
    static std::optional<bool> boolean(const VLValue& value);
    static const std::string* text(const VLValue& value);
    static const VLData* data(const VLValue& value);
    static const VLDictionary* dictionary(const VLValue& value);
    static const VLArray* array(const VLValue& value);
    // Only when every element reads as one.
    static std::optional<std::vector<int64_t>> integers(const VLValue& value);
    static std::optional<std::vector<std::string>> texts(const VLValue& value);

    // A number that may stand in a geometry value: finite and within the bound.
    static std::optional<double> coordinate(const VLValue& value);
    static std::optional<VLSize> size(const VLValue& value);
    static std::optional<VLPoint> point(const VLValue& value);
    static std::optional<VLRect> rect(const VLValue& value);

    static VLValue value(VLSize size);
    static VLValue value(VLPoint point);
    static VLValue value(const VLRect& rect);
    static VLValue value(const VLEdgeInsets& insets);

private:
    // The coordinates of an array of exactly `count` numbers within the bound.
    static std::optional<std::vector<double>> coordinates(const VLValue& value, size_t count);
};
