#pragma once

#include <array>
#include <cstdint>
#include <string>

// A random (version 4) UUID, from the kernel's secure random generator. A value type.
class VLUUID {
public:
    // A new UUID every call.
    VLUUID();

    // "E621E1F8-C36C-495A-93FC-0C247A3E6E5F": 8-4-4-4-12 hexadecimal digits, upper case.
    std::string UUIDString() const;
    // The same in lower case.
    std::string lowercaseString() const;

    const std::array<uint8_t, 16>& bytes() const { return _bytes; }

private:
    std::string text(const char* digits) const;
    std::array<uint8_t, 16> _bytes;
};
