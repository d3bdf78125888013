#pragma once

#include "Platform/Foundation/VLValue.h"
#include "Platform/Graphics/VLColor.h"

#include <yoga/YGValue.h>

#include <cstdint>
#include <optional>
#include <string>

// Reads one stored style value (nil when the key is absent) as the type a style property needs. Bad
// values never throw: each reader has its neutral answer. Pure, so any thread.
class VLComponentStyleConvertUtil {
public:
    VLComponentStyleConvertUtil() = delete;

    // As a typed key-value object reads them.
    static bool boolValue(const VLValue& value);
    static int32_t intValue(const VLValue& value);
    static int64_t integerValue(const VLValue& value);
    static uint64_t unsignedIntegerValue(const VLValue& value);
    static float floatValue(const VLValue& value);
    static double doubleValue(const VLValue& value);
    // A string itself or a number's shortest text; nothing for nil, and for any other value nothing and
    // a line in the system log.
    static std::optional<std::string> stringValue(const VLValue& value);
    // A number, or a decimal text with at most one "px" after it; else NaN.
    static double flexCGFloat(const VLValue& value);
    // "50%" as a percentage, a number as points, anything else ("auto", "1em", NaN, an infinity) undefined.
    static YGValue toYGValue(const VLValue& value);
    // A colour text or a 0xRRGGBB number; nothing for nil, an unparsable text or a number that is not
    // finite; opaque white for any other kind of value.
    static std::optional<VLColor> colorValue(const VLValue& value);
    // Whether the whole text is a decimal number.
    static bool checkStringIsRealNum(std::string_view text);
};
