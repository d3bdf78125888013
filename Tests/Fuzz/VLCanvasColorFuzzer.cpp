// libFuzzer target for the canvas's CSS colour reader: any bytes either do not read, leaving the output as
// it was, or read to a colour; reading again gives the same, and so does the text with its ASCII letters
// in upper case, since the grammar ignores case.
#include "Modules/Canvas/Context2D/VLColorRGBA.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    constexpr VLColorRGBA kUntouched(1, 2, 3, 4);
    VLColorRGBA color = kUntouched;
    const bool read = VLUTF8StringGetColorRGBA(text, &color);
    if (!read && !(color == kUntouched))
        abort();

    VLColorRGBA again = kUntouched;
    if (VLUTF8StringGetColorRGBA(text, &again) != read || !(again == color))
        abort();

    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    VLColorRGBA shouted = kUntouched;
    if (VLUTF8StringGetColorRGBA(upper, &shouted) != read || !(shouted == color))
        abort();
    return 0;
}
