// libFuzzer target for the data: URI reader: a text either does not read or splits into views of
// itself; neither decoding gives more bytes than the text holds, the lenient one never gives none, and
// where the strict one gives bytes the lenient one gives the same.
#include "Platform/Foundation/VLDataURI.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool isViewOf(std::string_view part, std::string_view text) {
    return part.empty() ||
           (part.data() >= text.data() && part.data() + part.size() <= text.data() + text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::optional<VLDataURI> uri = VLDataURI::parse(text);
    if (!uri)
        return 0;
    if (!isViewOf(uri->mediaType(), text) || !isViewOf(uri->body(), text))
        abort();
    const std::optional<VLData> strict = uri->decodedBody(VLDataURI::Decoding::Strict);
    const std::optional<VLData> lenient = uri->decodedBody(VLDataURI::Decoding::Lenient);
    if ((strict && strict->size() > size) || (lenient && (lenient->empty() || lenient->size() > size)))
        abort();
    if (strict && !strict->empty() && lenient != strict)
        abort();
    if (VLDataURI::dataWithContentsOfURI(text, VLDataURI::Decoding::Strict) != strict)
        abort();
    return 0;
}
