#pragma once

#include <string>

// Number and date texts as Foundation describes them.
class VLNumberFormat {
public:
    // Shortest text that reads back as the same double: 3, 1.5, 0.1, 0.0001, 1e-05, 1e+20; "nan", "inf",
    // "-inf".
    static std::string shortest(double value);
    // "2001-01-01 00:00:00 +0000" for a time in seconds since 1970, in UTC.
    static std::string iso8601(double secondsSince1970);
};
