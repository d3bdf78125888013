#include "Platform/Foundation/VLUUID.h"

#include "Platform/Foundation/VLSecureRandom.h"

#include <random>

VLUUID::VLUUID() {
    if (!VLSecureRandomBytes(_bytes.data(), _bytes.size())) {
        // getrandom refused (a kernel without it): the library's device is the next best source.
        std::random_device device;
        for (uint8_t& byte : _bytes)
            byte = uint8_t(device());
    }
    _bytes[6] = uint8_t((_bytes[6] & 0x0f) | 0x40); // version 4
    _bytes[8] = uint8_t((_bytes[8] & 0x3f) | 0x80); // RFC 4122 variant
}

std::string VLUUID::UUIDString() const {
    return text("0123456789ABCDEF");
}

std::string VLUUID::lowercaseString() const {
    return text("0123456789abcdef");
}

std::string VLUUID::text(const char* digits) const {
    std::string result;
    result.reserve(36);
    for (size_t index = 0; index < _bytes.size(); ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10)
            result += '-';
        result += digits[_bytes[index] >> 4];
        result += digits[_bytes[index] & 15];
    }
    return result;
}
