#include "Modules/Window/Style/VLColorUtils.h"

#include "Platform/Foundation/VLCache.h"
#include "Platform/Foundation/VLScanner.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace {

struct NamedColor {
    std::string_view name;
    std::string_view hex;
};

// The CSS named colours but those whose names the platform's colours take; sorted by name.
constexpr std::array<NamedColor, 135> kNamedColors{{
    {"aliceblue", "#f0f8ff"},
    {"antiquewhite", "#faebd7"},
    {"aqua", "#00ffff"},
    {"aquamarine", "#7fffd4"},
    {"azure", "#f0ffff"},
    {"beige", "#f5f5dc"},
    {"bisque", "#ffe4c4"},
    {"blanchedalmond", "#ffebcd"},
    {"blueviolet", "#8a2be2"},
    {"burlywood", "#deb887"},
    {"cadetblue", "#5f9ea0"},
    {"chartreuse", "#7fff00"},
    {"chocolate", "#d2691e"},
    {"coral", "#ff7f50"},
    {"cornflowerblue", "#6495ed"},
    {"cornsilk", "#fff8dc"},
    {"crimson", "#dc143c"},
    {"darkblue", "#00008b"},
    {"darkcyan", "#008b8b"},
    {"darkgoldenrod", "#b8860b"},
    {"darkgreen", "#006400"},
    {"darkgrey", "#a9a9a9"},
    {"darkkhaki", "#bdb76b"},
    {"darkmagenta", "#8b008b"},
    {"darkolivegreen", "#556b2f"},
    {"darkorange", "#ff8c00"},
    {"darkorchid", "#9932cc"},
    {"darkred", "#8b0000"},
    {"darksalmon", "#e9967a"},
    {"darkseagreen", "#8fbc8f"},
    {"darkslateblue", "#483d8b"},
    {"darkslategray", "#2f4f4f"},
    {"darkslategrey", "#2f4f4f"},
    {"darkturquoise", "#00ced1"},
    {"darkviolet", "#9400d3"},
    {"deeppink", "#ff1493"},
    {"deepskyblue", "#00bfff"},
    {"dimgray", "#696969"},
    {"dimgrey", "#696969"},
    {"dodgerblue", "#1e90ff"},
    {"firebrick", "#b22222"},
    {"floralwhite", "#fffaf0"},
    {"forestgreen", "#228b22"},
    {"fuchsia", "#ff00ff"},
    {"gainsboro", "#dcdcdc"},
    {"ghostwhite", "#f8f8ff"},
    {"gold", "#ffd700"},
    {"goldenrod", "#daa520"},
    {"green", "#008000"},
    {"greenyellow", "#adff2f"},
    {"grey", "#808080"},
    {"honeydew", "#f0fff0"},
    {"hotpink", "#ff69b4"},
    {"indianred", "#cd5c5c"},
    {"indigo", "#4b0082"},
    {"ivory", "#fffff0"},
    {"khaki", "#f0e68c"},
    {"lavender", "#e6e6fa"},
    {"lavenderblush", "#fff0f5"},
    {"lawngreen", "#7cfc00"},
    {"lemonchiffon", "#fffacd"},
    {"lightblue", "#add8e6"},
    {"lightcoral", "#f08080"},
    {"lightcyan", "#e0ffff"},
    {"lightgoldenrodyellow", "#fafad2"},
    {"lightgreen", "#90ee90"},
    {"lightgrey", "#d3d3d3"},
    {"lightpink", "#ffb6c1"},
    {"lightsalmon", "#ffa07a"},
    {"lightseagreen", "#20b2aa"},
    {"lightskyblue", "#87cefa"},
    {"lightslategray", "#778899"},
    {"lightslategrey", "#778899"},
    {"lightsteelblue", "#b0c4de"},
    {"lightyellow", "#ffffe0"},
    {"lime", "#00ff00"},
    {"limegreen", "#32cd32"},
    {"linen", "#faf0e6"},
    {"maroon", "#800000"},
    {"mediumaquamarine", "#66cdaa"},
    {"mediumblue", "#0000cd"},
    {"mediumorchid", "#ba55d3"},
    {"mediumpurple", "#9370db"},
    {"mediumseagreen", "#3cb371"},
    {"mediumslateblue", "#7b68ee"},
    {"mediumspringgreen", "#00fa9a"},
    {"mediumturquoise", "#48d1cc"},
    {"mediumvioletred", "#c71585"},
    {"midnightblue", "#191970"},
    {"mintcream", "#f5fffa"},
    {"mistyrose", "#ffe4e1"},
    {"moccasin", "#ffe4b5"},
    {"navajowhite", "#ffdead"},
    {"navy", "#000080"},
    {"oldlace", "#fdf5e6"},
    {"olive", "#808000"},
    {"olivedrab", "#6b8e23"},
    {"orangered", "#ff4500"},
    {"orchid", "#da70d6"},
    {"palegoldenrod", "#eee8aa"},
    {"palegreen", "#98fb98"},
    {"paleturquoise", "#afeeee"},
    {"palevioletred", "#db7093"},
    {"papayawhip", "#ffefd5"},
    {"peachpuff", "#ffdab9"},
    {"peru", "#cd853f"},
    {"pink", "#ffc0cb"},
    {"plum", "#dda0dd"},
    {"powderblue", "#b0e0e6"},
    {"rebeccapurple", "#663399"},
    {"rosybrown", "#bc8f8f"},
    {"royalblue", "#4169e1"},
    {"saddlebrown", "#8b4513"},
    {"salmon", "#fa8072"},
    {"sandybrown", "#f4a460"},
    {"seagreen", "#2e8b57"},
    {"seashell", "#fff5ee"},
    {"sienna", "#a0522d"},
    {"silver", "#c0c0c0"},
    {"skyblue", "#87ceeb"},
    {"slateblue", "#6a5acd"},
    {"slategray", "#708090"},
    {"slategrey", "#708090"},
    {"snow", "#fffafa"},
    {"springgreen", "#00ff7f"},
    {"steelblue", "#4682b4"},
    {"tan", "#d2b48c"},
    {"teal", "#008080"},
    {"thistle", "#d8bfd8"},
    {"tomato", "#ff6347"},
    {"turquoise", "#40e0d0"},
    {"violet", "#ee82ee"},
    {"wheat", "#f5deb3"},
    {"whitesmoke", "#f5f5f5"},
    {"yellowgreen", "#9acd32"},
}};

static_assert(std::is_sorted(kNamedColors.begin(), kNamedColors.end(),
                             [](const NamedColor& a, const NamedColor& b) { return a.name < b.name; }));

struct FastColor {
    std::string_view name;
    VLColor color;
};

constexpr std::array<FastColor, 15> kFastColors{{
    {"white", VLColor::whiteColor()},
    {"black", VLColor::blackColor()},
    {"red", VLColor::redColor()},
    {"yellow", VLColor::yellowColor()},
    {"lightgray", VLColor::lightGrayColor()},
    {"gray", VLColor::grayColor()},
    {"darkgray", VLColor::darkGrayColor()},
    {"blue", VLColor::blueColor()},
    {"orange", VLColor::orangeColor()},
    {"purple", VLColor::purpleColor()},
    {"cyan", VLColor::cyanColor()},
    {"magenta", VLColor::magentaColor()},
    {"brown", VLColor::brownColor()},
    {"transparent", VLColor::clearColor()},
    {"clear", VLColor::clearColor()},
}};

// Parsed texts, by the text exactly as given.
VLCache<std::string, VLColor>& resultCache() {
    static auto* cache = new VLCache<std::string, VLColor>(64);
    return *cache;
}

bool hasMinimumLength(std::string_view text) {
    return text.size() >= 3 && VLUTF16Length(text) >= 3;
}

std::optional<int> hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

} // namespace

std::optional<VLColor> VLColorUtils::colorWithString(std::string_view text,
                                                     std::optional<VLColor> defaultColor) {
    if (!hasMinimumLength(text))
        return defaultColor;
    const std::string key(text);
    if (std::optional<VLColor> cached = resultCache().objectForKey(key))
        return cached;
    if (std::optional<VLColor> fast = fastColorWithName(text))
        return fast;
    std::optional<VLColor> color = colorWithHexString(hexColorStringWithName(text));
    if (!color)
        color = colorWithRGBString(text);
    if (!color)
        color = colorWithRGBAString(text);
    if (!color)
        return defaultColor;
    resultCache().setObjectForKey(*color, key);
    return color;
}

bool VLColorUtils::validateColorWithHexString(std::string_view text) {
    if (!hasMinimumLength(text))
        return false;
    const size_t length = VLUTF16Length(hexDigitsOf(text));
    return length == 3 || length == 4 || length == 6 || length == 8;
}

std::optional<VLColor> VLColorUtils::colorWithHexString(std::string_view text,
                                                        std::optional<VLColor> defaultColor) {
    if (!validateColorWithHexString(text))
        return defaultColor;
    if (std::optional<VLColor> fast = fastColorWithName(text))
        return fast;
    if (std::optional<VLColor> color = parseHexDigits(hexDigitsOf(text)))
        return color;
    return defaultColor;
}

std::string VLColorUtils::hexDigitsOf(std::string_view text) {
    std::string digits = VLASCIIUppercaseString(VLStringByTrimmingWhitespaceAndNewlines(text));
    if (digits.starts_with('#'))
        digits.erase(0, 1);
    else if (digits.starts_with("0X"))
        digits.erase(0, 2);
    return digits;
}

std::optional<VLColor> VLColorUtils::parseHexDigits(std::string_view digits) {
    const size_t length = digits.size();
    if (length != 3 && length != 4 && length != 6 && length != 8)
        return std::nullopt;
    const size_t width = length <= 4 ? 1 : 2;
    const double scale = width == 1 ? 15 : 255;
    std::array<double, 4> components{0, 0, 0, 1};
    for (size_t component = 0; component < length / width; ++component) {
        int value = 0;
        for (char c : digits.substr(component * width, width)) {
            std::optional<int> digit = hexDigitValue(c);
            if (!digit)
                return std::nullopt;
            value = value * 16 + *digit;
        }
        components[component] = value / scale;
    }
    return VLColor{components[0], components[1], components[2], components[3]};
}

std::optional<VLColor> VLColorUtils::colorWithRGBString(std::string_view text) {
    return text.starts_with("rgb(") ? colorWithFunctionalString(text) : std::nullopt;
}

std::optional<VLColor> VLColorUtils::colorWithRGBAString(std::string_view text) {
    return text.starts_with("rgba(") ? colorWithFunctionalString(text) : std::nullopt;
}

std::optional<VLColor> VLColorUtils::colorWithFunctionalString(std::string_view text) {
    const std::string lowered = VLASCIILowercaseString(VLStringByTrimmingWhitespaceAndNewlines(text));
    const std::string_view form = lowered;
    const size_t open = form.find('(');
    if (open == std::string_view::npos || !form.ends_with(')'))
        return std::nullopt;
    const std::string_view name = form.substr(0, open);
    if (name != "rgb" && name != "rgba")
        return std::nullopt;
    std::string_view arguments = form.substr(open + 1, form.size() - open - 2);
    std::vector<std::string_view> parts;
    for (size_t comma; (comma = arguments.find(',')) != std::string_view::npos;) {
        parts.push_back(arguments.substr(0, comma));
        arguments.remove_prefix(comma + 1);
    }
    parts.push_back(arguments);
    if (parts.size() != 3 && parts.size() != 4)
        return std::nullopt;
    std::array<double, 4> components{0, 0, 0, 1};
    for (size_t index = 0; index < parts.size(); ++index) {
        std::optional<double> component = functionalComponent(parts[index], index);
        if (!component)
            return std::nullopt;
        components[index] = *component;
    }
    return VLColor{components[0], components[1], components[2], components[3]};
}

// One part of rgb(): a percentage, a 0...255 channel, or (fourth) an alpha as it is; clamped to 0...1.
std::optional<double> VLColorUtils::functionalComponent(std::string_view part, size_t index) {
    part = VLStringByTrimmingWhitespaceAndNewlines(part);
    const bool isPercentage = part.ends_with('%');
    if (isPercentage)
        part.remove_suffix(1);
    VLScanner scanner(part);
    double value = 0;
    if (!scanner.scanDouble(value) || !scanner.isAtEnd() || !std::isfinite(value))
        return std::nullopt;
    if (isPercentage)
        value /= 100;
    else if (index < 3)
        value /= 255;
    return std::clamp(value, 0.0, 1.0);
}

VLColor VLColorUtils::colorWithNumber(uint64_t number) {
    return {double((number >> 16) & 0xFF) / 255, double((number >> 8) & 0xFF) / 255,
            double(number & 0xFF) / 255, 1};
}

std::optional<VLColor> VLColorUtils::fastColorWithName(std::string_view name) {
    if (name.size() > 11)
        return std::nullopt;
    const std::string lowered = VLASCIILowercaseString(name);
    for (const FastColor& fast : kFastColors)
        if (fast.name == lowered)
            return fast.color;
    return std::nullopt;
}

std::string VLColorUtils::hexColorStringWithName(std::string_view name) {
    auto found =
        std::lower_bound(kNamedColors.begin(), kNamedColors.end(), name,
                         [](const NamedColor& entry, std::string_view key) { return entry.name < key; });
    return std::string(found != kNamedColors.end() && found->name == name ? found->hex : name);
}
