// libFuzzer target for Base64: whatever decodes must encode to a text that decodes to the same bytes,
// and any bytes must encode to a text that decodes back to them.
#include "Platform/Foundation/VLBase64.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::span<const uint8_t> input(bytes, size);
    const std::string encoded = VLBase64Encode(input);
    const auto decodedBack = VLBase64Decode(encoded);
    if (!decodedBack || !std::equal(decodedBack->begin(), decodedBack->end(), input.begin(), input.end()))
        abort();

    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    if (const auto decoded = VLBase64Decode(text)) {
        const auto again = VLBase64Decode(VLBase64Encode(*decoded));
        if (!again || *again != *decoded)
            abort();
    }
    return 0;
}
