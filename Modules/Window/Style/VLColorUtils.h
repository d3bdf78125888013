#pragma once

#include "Platform/Graphics/VLColor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The colours that scripts give components: the platform's named colours, the CSS named colours,
// hexadecimal texts with or without "#" or "0x", rgb() and rgba(), and 0xRRGGBB numbers. Parsed texts
// are cached by their exact text. Any thread.
class VLColorUtils {
public:
    VLColorUtils() = delete;

    // The colour of a text, or the default. Which reading wins: the cache, the platform's names (in any
    // case), the CSS names (lower case only), a hexadecimal text, rgb(), rgba().
    static std::optional<VLColor> colorWithString(std::string_view text,
                                                  std::optional<VLColor> defaultColor = std::nullopt);
    // "#fa0", "fa0", "0xfa0", "#ffaa00", "#ffaa0080": 3 or 4 digits per 15, 6 or 8 per 255.
    static std::optional<VLColor> colorWithHexString(std::string_view text,
                                                     std::optional<VLColor> defaultColor = std::nullopt);
    // Whether the text has the length of a hexadecimal colour, prefix aside; its digits are not checked.
    static bool validateColorWithHexString(std::string_view text);
    // The functional form, for a text that begins exactly with "rgb(" (or "rgba(").
    static std::optional<VLColor> colorWithRGBString(std::string_view text);
    static std::optional<VLColor> colorWithRGBAString(std::string_view text);
    // Opaque, from 0xRRGGBB; higher bits are ignored.
    static VLColor colorWithNumber(uint64_t number);
    // The platform's colour of that name, in any case ("Red", "lightgray", "clear").
    static std::optional<VLColor> fastColorWithName(std::string_view name);
    // The CSS named colour's "#rrggbb", or the text itself when it names none.
    static std::string hexColorStringWithName(std::string_view name);

private:
    static std::optional<VLColor> colorWithFunctionalString(std::string_view text);
    static std::optional<VLColor> parseHexDigits(std::string_view digits);
    static std::optional<double> functionalComponent(std::string_view part, size_t index);
    // Trimmed, upper-cased, without its "#" or "0X".
    static std::string hexDigitsOf(std::string_view text);
};
