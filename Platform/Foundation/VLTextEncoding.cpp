#include "Platform/Foundation/VLTextEncoding.h"

#include "Platform/Foundation/VLUnicode.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>

namespace {

constexpr const char* kNativeUTF16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

bool namesUTF8(std::string_view label) {
    const std::string lower = VLASCIILowercaseString(label);
    return lower.empty() || lower == "utf-8" || lower == "utf8";
}

// Owns one conversion descriptor.
class Converter {
public:
    explicit Converter(const std::string& label) : _descriptor(iconv_open(kNativeUTF16, label.c_str())) {}
    ~Converter() {
        if (isOpen())
            iconv_close(_descriptor);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool isOpen() const { return _descriptor != iconv_t(-1); }
    std::optional<std::u16string> decode(std::span<const uint8_t> bytes, bool fatal);

private:
    // Converts what is left of the input (all of it, or the final flush for nullptr) into the output,
    // growing it as needed; errno's value when it stopped early, else 0.
    int convert(char** input, size_t* inputLeft, std::u16string& output);

    iconv_t _descriptor;
};

int Converter::convert(char** input, size_t* inputLeft, std::u16string& output) {
    for (;;) {
        const size_t used = output.size();
        output.resize(used + std::max<size_t>(64, (inputLeft ? *inputLeft : 0) + 16));
        auto* out = reinterpret_cast<char*>(output.data() + used);
        size_t outLeft = (output.size() - used) * sizeof(char16_t);
        const size_t before = outLeft;
        const size_t result = iconv(_descriptor, input, inputLeft, &out, &outLeft);
        output.resize(used + (before - outLeft) / sizeof(char16_t));
        if (result != size_t(-1))
            return 0;
        if (errno != E2BIG)
            return errno;
    }
}

std::optional<std::u16string> Converter::decode(std::span<const uint8_t> bytes, bool fatal) {
    std::u16string output;
    output.reserve(bytes.size());
    auto* input = reinterpret_cast<char*>(const_cast<uint8_t*>(bytes.data()));
    size_t inputLeft = bytes.size();
    while (inputLeft > 0) {
        const int stopped = convert(&input, &inputLeft, output);
        if (stopped == 0)
            break;
        if (fatal)
            return std::nullopt;
        output += char16_t(VLReplacementCharacter);
        if (stopped != EILSEQ)
            break; // an incomplete sequence at the end, or an error that skipping cannot mend
        ++input;
        --inputLeft;
    }
    if (convert(nullptr, nullptr, output) != 0 && fatal)
        return std::nullopt;
    return output;
}

} // namespace

std::optional<std::u16string> VLDecodeTextWithCharsetLabel(std::span<const uint8_t> bytes,
                                                           std::string_view label, bool fatal) {
    const std::string_view utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (namesUTF8(label) || label.find('\0') != std::string_view::npos)
        return VLUTF16FromUTF8Decoding(utf8, fatal);
    Converter converter{std::string(label)};
    if (!converter.isOpen())
        return VLUTF16FromUTF8Decoding(utf8, fatal);
    return converter.decode(bytes, fatal);
}
