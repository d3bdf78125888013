#include "Platform/Foundation/VLNumberFormat.h"

#include <charconv>
#include <cmath>
#include <ctime>

std::string VLNumberFormat::shortest(double value) {
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return "0";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string VLNumberFormat::iso8601(double secondsSince1970) {
    time_t seconds = time_t(std::floor(secondsSince1970));
    struct tm parts = {};
    gmtime_r(&seconds, &parts);
    char buffer[64];
    strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &parts);
    return buffer;
}
