#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Reads numbers from the front of a text, as Foundation's scanner does: white space and line ends
// before each number are skipped; a scan that finds no number leaves the position where it was.
// The text must outlive the scanner. One thread at a time.
class VLScanner {
public:
    explicit VLScanner(std::string_view text) : _text(text) {}

    size_t location() const { return _location; }
    // Only white space and line ends are left.
    bool isAtEnd() const;

    // A decimal number with optional sign, fraction and exponent; too large a magnitude gives an
    // infinity, too small one zero.
    bool scanDouble(double& value);
    // Optional sign and decimal digits; a value out of range gives INT64_MAX or INT64_MIN.
    bool scanInteger(int64_t& value);
    // Optional plus sign and decimal digits; a value out of range gives UINT64_MAX.
    bool scanUnsignedLongLong(uint64_t& value);

private:
    std::string_view _text;
    size_t _location = 0;

    size_t skipWhitespace() const;
    size_t digitsFrom(size_t position) const;
};
