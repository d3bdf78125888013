#include "Modules/Canvas/Context2D/VLColorRGBA.h"

#include "Modules/Canvas/Context2D/VLNamedColors.h"
#include "Platform/Foundation/VLCLocale.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <numbers>

namespace {

// The working copy lives on the stack: trimmed texts of 1 to 127 bytes and a terminating NUL.
constexpr size_t kVLColorTextCapacity = 128;
constexpr size_t kVLColorMaxComponents = 4;
constexpr size_t kVLColorMaxUnitLength = 7;

// One component of a colour function.
struct VLColorArgument {
    double value = 0;
    bool percent = false;
    char unit[kVLColorMaxUnitLength + 1] = {};
};

// Units come after case folding.
bool VLColorIsLetter(char c) {
    return c >= 'a' && c <= 'z';
}

// 0...255, halves away from zero; NaN gives 0.
uint8_t VLColorChannelByte(double value) {
    if (!(value > 0))
        return 0;
    if (value >= 255)
        return 255;
    return uint8_t(std::lround(value));
}

double VLColorClampUnit(double value) {
    if (!(value > 0))
        return 0;
    return value < 1 ? value : 1;
}

// The alpha byte of a fourth component: a fraction, or a percentage of one.
uint8_t VLColorAlphaByte(const VLColorArgument& argument) {
    const double alpha = argument.percent ? argument.value / 100 : argument.value;
    return VLColorChannelByte(VLColorClampUnit(alpha) * 255);
}

bool VLColorHasUnit(const VLColorArgument& argument) {
    return argument.unit[0] != '\0';
}

bool VLColorUnitIs(const VLColorArgument& argument, const char* unit) {
    return std::string_view(argument.unit) == unit;
}

// "#" and 3, 4, 6 or 8 hexadecimal digits.
bool VLParseHexColor(std::string_view text, VLColorRGBA* color) {
    const size_t length = text.size();
    if (length != 4 && length != 5 && length != 7 && length != 9)
        return false;
    uint8_t digits[8] = {};
    for (size_t i = 1; i < length; ++i) {
        // Upper-case digits were folded before.
        const int digit = VLHexDigitValue(text[i]);
        if (digit < 0)
            return false;
        digits[i - 1] = uint8_t(digit);
    }
    uint8_t components[4] = {0, 0, 0, 255};
    const bool shortForm = length <= 5;
    const size_t count = shortForm ? length - 1 : (length - 1) / 2;
    for (size_t i = 0; i < count; ++i)
        components[i] = shortForm ? uint8_t(digits[i] * 17) : uint8_t(digits[2 * i] * 16 + digits[2 * i + 1]);
    *color = VLColorRGBA(components[0], components[1], components[2], components[3]);
    return true;
}

// The text between the parentheses when the text is `name` + "(" ... ")"; nullptr otherwise. The
// closing parenthesis is overwritten with NUL, so that a number read from the arguments stops there.
char* VLColorFunctionArguments(char* text, size_t length, std::string_view name) {
    const std::string_view whole(text, length);
    if (whole.size() < name.size() + 2 || whole.substr(0, name.size()) != name || whole[name.size()] != '(' ||
        whole.back() != ')')
        return nullptr;
    text[length - 1] = '\0';
    return text + name.size() + 1;
}

// Reads one number and its "%" or unit at `position`; false when none is there or it is too long.
bool VLParseColorArgument(const char*& position, VLColorArgument& argument) {
    char* end = nullptr;
    const double value = strtod_l(position, &end, VLCLocale());
    if (end == position || !std::isfinite(value))
        return false;
    argument.value = value;
    position = end;
    if (*position == '%') {
        argument.percent = true;
        ++position;
        return true;
    }
    size_t letters = 0;
    while (VLColorIsLetter(position[letters])) {
        if (letters == kVLColorMaxUnitLength)
            return false;
        argument.unit[letters] = position[letters];
        ++letters;
    }
    argument.unit[letters] = '\0';
    position += letters;
    return true;
}

// The components of a NUL-terminated argument text, in comma or space syntax; -1 when malformed.
int VLParseColorArguments(const char* text, VLColorArgument (&arguments)[kVLColorMaxComponents]) {
    const bool commas = std::string_view(text).find(',') != std::string_view::npos;
    const char* position = text;
    size_t count = 0;
    while (true) {
        while (VLIsCSpace(*position))
            ++position;
        if (*position == '\0')
            return int(count);
        if (count > 0) {
            if (commas) {
                if (*position != ',')
                    return -1;
                ++position;
            } else if (*position == '/') {
                if (count != 3)
                    return -1;
                ++position;
            } else if (count == 3) {
                // Alpha in space syntax comes only after "/".
                return -1;
            }
            while (VLIsCSpace(*position))
                ++position;
        }
        if (count == kVLColorMaxComponents || !VLParseColorArgument(position, arguments[count]))
            return -1;
        ++count;
    }
}

bool VLParseRGBColor(const char* text, VLColorRGBA* color) {
    VLColorArgument arguments[kVLColorMaxComponents];
    const int count = VLParseColorArguments(text, arguments);
    if (count != 3 && count != 4)
        return false;
    uint8_t channels[3];
    for (size_t i = 0; i < 3; ++i) {
        if (VLColorHasUnit(arguments[i]))
            return false;
        const double value = arguments[i].percent ? arguments[i].value * 255 / 100 : arguments[i].value;
        channels[i] = VLColorChannelByte(value);
    }
    uint8_t alpha = 255;
    if (count == 4) {
        if (VLColorHasUnit(arguments[3]))
            return false;
        alpha = VLColorAlphaByte(arguments[3]);
    }
    *color = VLColorRGBA(channels[0], channels[1], channels[2], alpha);
    return true;
}

// The hue in degrees; false for a percentage or an unknown unit.
bool VLColorHueDegrees(const VLColorArgument& hue, double& degrees) {
    if (hue.percent)
        return false;
    if (!VLColorHasUnit(hue) || VLColorUnitIs(hue, "deg"))
        degrees = hue.value;
    else if (VLColorUnitIs(hue, "rad"))
        degrees = hue.value * 180 / std::numbers::pi;
    else if (VLColorUnitIs(hue, "grad"))
        degrees = hue.value * 0.9;
    else if (VLColorUnitIs(hue, "turn"))
        degrees = hue.value * 360;
    else
        return false;
    return true;
}

bool VLParseHSLColor(const char* text, VLColorRGBA* color) {
    VLColorArgument arguments[kVLColorMaxComponents];
    const int count = VLParseColorArguments(text, arguments);
    if (count != 3 && count != 4)
        return false;
    double degrees = 0;
    if (!VLColorHueDegrees(arguments[0], degrees))
        return false;
    for (int i = 1; i < count; ++i) {
        if (VLColorHasUnit(arguments[i]))
            return false;
    }
    // Saturation and lightness are percentages whether or not they say so.
    const double s = VLColorClampUnit(arguments[1].value / 100);
    const double l = VLColorClampUnit(arguments[2].value / 100);
    double h = std::fmod(degrees, 360) / 360;
    if (h < 0)
        h += 1;
    const double q = l <= 0.5 ? l * (1 + s) : l + s - l * s;
    const double p = 2 * l - q;
    const uint8_t alpha = count == 4 ? VLColorAlphaByte(arguments[3]) : 255;
    *color = VLColorRGBA(VLColorChannelByte(VLHueToRGB(p, q, h + 1.0 / 3) * 255),
                         VLColorChannelByte(VLHueToRGB(p, q, h) * 255),
                         VLColorChannelByte(VLHueToRGB(p, q, h - 1.0 / 3) * 255), alpha);
    return true;
}

} // namespace

double VLHueToRGB(double p, double q, double t) {
    if (t < 0)
        t += 1;
    if (t > 1)
        t -= 1;
    if (6 * t < 1)
        return p + (q - p) * 6 * t;
    if (2 * t < 1)
        return q;
    if (3 * t < 2)
        return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

bool VLUTF8StringGetColorRGBA(std::string_view string, VLColorRGBA* color) {
    if (!color)
        return false;
    size_t begin = 0;
    size_t end = string.size();
    while (begin < end && VLIsCSpace(string[begin]))
        ++begin;
    while (end > begin && VLIsCSpace(string[end - 1]))
        --end;
    const size_t length = end - begin;
    if (length == 0 || length >= kVLColorTextCapacity)
        return false;
    char text[kVLColorTextCapacity];
    for (size_t i = 0; i < length; ++i) {
        const char c = string[begin + i];
        // The copy is read as a C string: a NUL inside must not cut it short.
        if (c == '\0')
            return false;
        text[i] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    text[length] = '\0';

    if (text[0] == '#')
        return VLParseHexColor(std::string_view(text, length), color);
    for (const char* name : {"rgb", "rgba"}) {
        if (const char* arguments = VLColorFunctionArguments(text, length, name))
            return VLParseRGBColor(arguments, color);
    }
    for (const char* name : {"hsl", "hsla"}) {
        if (const char* arguments = VLColorFunctionArguments(text, length, name))
            return VLParseHSLColor(arguments, color);
    }
    const VLNamedColor* named = VLNamedColorLookup(std::string_view(text, length));
    if (!named)
        return false;
    *color = named->color;
    return true;
}
