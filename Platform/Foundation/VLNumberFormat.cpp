#include "Platform/Foundation/VLNumberFormat.h"

#include <charconv>
#include <cmath>
#include <ctime>

// The fewest digits that read back as the same double, laid out as NSNumber's "%0.16g" lays out a
// number: plainly from 1e-4 up to 1e16, with an exponent outside that range. The digits come from the
// scientific form and are moved around the point by hand, so they stay exactly the shortest ones.
std::string VLNumberFormat::shortest(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return "0";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string_view scientific(buffer, size_t(result.ptr - buffer));
    size_t exponentMark = scientific.find('e');
    std::string_view exponentText = scientific.substr(exponentMark + 1);
    if (exponentText.starts_with('+'))
        exponentText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    if (exponent < -4 || exponent >= 16)
        return std::string(scientific);

    bool negative = value < 0;
    std::string digits;
    for (char c : scientific.substr(negative ? 1 : 0, exponentMark - (negative ? 1 : 0)))
        if (c != '.')
            digits += c;
    std::string text = negative ? "-" : "";
    if (exponent < 0)
        return text + "0." + std::string(size_t(-exponent - 1), '0') + digits;
    size_t integerDigits = size_t(exponent) + 1;
    if (digits.size() <= integerDigits)
        return text + digits + std::string(integerDigits - digits.size(), '0');
    return text + digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

std::string VLNumberFormat::iso8601(double secondsSince1970) {
    time_t seconds = time_t(std::floor(secondsSince1970));
    struct tm parts = {};
    gmtime_r(&seconds, &parts);
    char buffer[64];
    strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts);
    return buffer;
}
