#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string_view>

// The bytes of a text, for tests that hand bytes to readers, digests and stores.
inline VLData VLTestBytes(std::string_view text) {
    return VLData(text.begin(), text.end());
}
