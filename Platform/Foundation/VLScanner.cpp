#include "Platform/Foundation/VLScanner.h"

#include "Platform/Foundation/VLCLocale.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cstdlib>
#include <limits>
#include <string>

size_t VLScanner::skipWhitespace() const {
    size_t position = _location;
    while (position < _text.size() && VLIsCSpace(_text[position]))
        ++position;
    return position;
}

size_t VLScanner::digitsFrom(size_t position) const {
    size_t end = position;
    while (end < _text.size() && VLIsASCIIDigit(_text[end]))
        ++end;
    return end - position;
}

bool VLScanner::isAtEnd() const {
    return skipWhitespace() == _text.size();
}

bool VLScanner::scanDouble(double& value) {
    const size_t start = skipWhitespace();
    size_t position = start;
    if (position < _text.size() && (_text[position] == '+' || _text[position] == '-'))
        ++position;
    size_t digits = digitsFrom(position);
    position += digits;
    if (position < _text.size() && _text[position] == '.') {
        size_t fraction = digitsFrom(position + 1);
        digits += fraction;
        position += 1 + fraction;
    }
    if (digits == 0)
        return false;
    if (position < _text.size() && (_text[position] == 'e' || _text[position] == 'E')) {
        size_t exponent = position + 1;
        if (exponent < _text.size() && (_text[exponent] == '+' || _text[exponent] == '-'))
            ++exponent;
        if (size_t exponentDigits = digitsFrom(exponent))
            position = exponent + exponentDigits;
    }
    const std::string number(_text.substr(start, position - start));
    value = strtod_l(number.c_str(), nullptr, VLCLocale());
    _location = position;
    return true;
}

bool VLScanner::scanInteger(int64_t& value) {
    size_t position = skipWhitespace();
    const bool negative = position < _text.size() && _text[position] == '-';
    if (negative || (position < _text.size() && _text[position] == '+'))
        ++position;
    const size_t digits = digitsFrom(position);
    if (digits == 0)
        return false;
    // Accumulate negatively so that INT64_MIN itself fits.
    int64_t result = 0;
    bool overflow = false;
    for (size_t i = position; i < position + digits; ++i) {
        const int digit = _text[i] - '0';
        if (result < (std::numeric_limits<int64_t>::min() + digit) / 10)
            overflow = true;
        else
            result = result * 10 - digit;
    }
    if (overflow)
        value = negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    else if (negative)
        value = result;
    else
        value = result == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -result;
    _location = position + digits;
    return true;
}

bool VLScanner::scanUnsignedLongLong(uint64_t& value) {
    size_t position = skipWhitespace();
    if (position < _text.size() && _text[position] == '+')
        ++position;
    const size_t digits = digitsFrom(position);
    if (digits == 0)
        return false;
    uint64_t result = 0;
    for (size_t i = position; i < position + digits; ++i) {
        const uint64_t digit = uint64_t(_text[i] - '0');
        if (result > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            result = std::numeric_limits<uint64_t>::max();
            break;
        }
        result = result * 10 + digit;
    }
    value = result;
    _location = position + digits;
    return true;
}
