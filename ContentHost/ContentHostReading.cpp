#include "ContentHost/ContentHostReading.h"

#include <cmath>

namespace {

// How far from zero a coordinate may lie.
constexpr double kContentHostCoordinateBound = 1000000;

} // namespace

std::optional<int64_t> ContentHostReading::integer(const VLValue& value) {
    if (value.isInteger())
        return value.integerValue();
    if (value.isBool())
        return value.boolValue() ? 1 : 0;
    if (!value.isDouble())
        return std::nullopt;
    const double truncated = std::trunc(value.doubleValue());
    // 2^63 is exact as a double; everything below it converts.
    if (!std::isfinite(truncated) || truncated < -9223372036854775808.0 || truncated >= 9223372036854775808.0)
        return std::nullopt;
    return int64_t(truncated);
}

std::optional<double> ContentHostReading::number(const VLValue& value) {
    if (value.isInteger())
        return double(value.integerValue());
    if (value.isDouble())
        return value.doubleValue();
    if (value.isBool())
        return value.boolValue() ? 1.0 : 0.0;
    return std::nullopt;
}

std::optional<bool> ContentHostReading::boolean(const VLValue& value) {
    if (value.isBool())
        return value.boolValue();
    if (value.isInteger())
        return value.integerValue() != 0;
    if (value.isDouble())
        return value.doubleValue() != 0;
    return std::nullopt;
}

const std::string* ContentHostReading::text(const VLValue& value) {
    return value.isString() ? &value.stringValue() : nullptr;
}

const VLData* ContentHostReading::data(const VLValue& value) {
    return value.isData() ? &value.dataValue() : nullptr;
}

const VLDictionary* ContentHostReading::dictionary(const VLValue& value) {
    return value.isDictionary() ? &value.dictionaryValue() : nullptr;
}

const VLArray* ContentHostReading::array(const VLValue& value) {
    return value.isArray() ? &value.arrayValue() : nullptr;
}

std::optional<std::vector<int64_t>> ContentHostReading::integers(const VLValue& value) {
    const VLArray* elements = array(value);
    if (!elements)
        return std::nullopt;
    std::vector<int64_t> result;
    result.reserve(elements->size());
    for (const VLValue& element : *elements) {
        const std::optional<int64_t> read = integer(element);
        if (!read)
            return std::nullopt;
        result.push_back(*read);
    }
    return result;
}

std::optional<std::vector<std::string>> ContentHostReading::texts(const VLValue& value) {
    const VLArray* elements = array(value);
    if (!elements)
        return std::nullopt;
    std::vector<std::string> result;
    result.reserve(elements->size());
    for (const VLValue& element : *elements) {
        if (!element.isString())
            return std::nullopt;
        result.push_back(element.stringValue());
    }
    return result;
}

std::optional<double> ContentHostReading::coordinate(const VLValue& value) {
    const std::optional<double> read = number(value);
    if (!read || !std::isfinite(*read) || std::fabs(*read) > kContentHostCoordinateBound)
        return std::nullopt;
    return read;
}

std::optional<std::vector<double>> ContentHostReading::coordinates(const VLValue& value, size_t count) {
    const VLArray* elements = array(value);
    if (!elements || elements->size() != count)
        return std::nullopt;
    std::vector<double> result;
    result.reserve(count);
    for (const VLValue& element : *elements) {
        const std::optional<double> read = coordinate(element);
        if (!read)
            return std::nullopt;
        result.push_back(*read);
    }
    return result;
}

std::optional<VLSize> ContentHostReading::size(const VLValue& value) {
    const auto read = coordinates(value, 2);
    if (!read || (*read)[0] < 0 || (*read)[1] < 0)
        return std::nullopt;
    return VLSize((*read)[0], (*read)[1]);
}

std::optional<VLPoint> ContentHostReading::point(const VLValue& value) {
    const auto read = coordinates(value, 2);
    if (!read)
        return std::nullopt;
    return VLPoint((*read)[0], (*read)[1]);
}

std::optional<VLRect> ContentHostReading::rect(const VLValue& value) {
    const auto read = coordinates(value, 4);
    if (!read || (*read)[2] < 0 || (*read)[3] < 0)
        return std::nullopt;
    return VLRect((*read)[0], (*read)[1], (*read)[2], (*read)[3]);
}

VLValue ContentHostReading::value(VLSize size) {
    return VLArray{size.width, size.height};
}

VLValue ContentHostReading::value(VLPoint point) {
    return VLArray{point.x, point.y};
}

VLValue ContentHostReading::value(const VLRect& rect) {
    return VLArray{rect.origin.x, rect.origin.y, rect.size.width, rect.size.height};
}

VLValue ContentHostReading::value(const VLEdgeInsets& insets) {
    return VLArray{insets.top, insets.left, insets.bottom, insets.right};
}
