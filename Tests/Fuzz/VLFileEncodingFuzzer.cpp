// libFuzzer target for the file system module's text encodings. The first byte picks the encoding, the
// rest are the bytes, also read as a text to encode. Decoding always gives valid UTF-8; the byte-exact
// encodings give the bytes back; text is never longer in bytes than its encodings allow.
#include "Modules/Storage/VLFileEncoding.h"
#include "Platform/Foundation/VLUnicode.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kEncodings[] = {"utf8",    "latin1",   "binary", "ascii",  "ucs2",      "ucs-2",
                                           "utf16le", "utf-16le", "hex",    "base64", "base64url", "other"};

bool givesBytesBack(std::string_view encoding) {
    return encoding == "latin1" || encoding == "binary" || encoding == "hex" || encoding == "base64" ||
           encoding == "base64url";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size == 0)
        return 0;
    const std::string_view encoding = kEncodings[bytes[0] % std::size(kEncodings)];
    const std::span<const uint8_t> data(bytes + 1, size - 1);
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());

    const std::string decoded = VLFileStringFromData(data, encoding);
    if (!VLIsValidUTF8(decoded))
        abort();
    if (givesBytesBack(encoding)) {
        const VLData again = VLFileDataFromString(decoded, encoding);
        if (!std::equal(again.begin(), again.end(), data.begin(), data.end()))
            abort();
    }
    if ((encoding == "utf8" || encoding == "other") && VLIsValidUTF8(text) && decoded != text)
        abort();

    const VLData encoded = VLFileDataFromString(text, encoding);
    if ((encoding == "hex" && encoded.size() > text.size() / 2) ||
        ((encoding == "base64" || encoding == "base64url") && encoded.size() > text.size() * 3 / 4 + 1))
        abort();
    return 0;
}
