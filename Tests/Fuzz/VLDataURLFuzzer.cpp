// libFuzzer target for the data: URL reader: any text either does not read or gives a lower-cased
// media type essence with one "/", and a body no larger than the text; reading it again gives the same.
#include "Platform/Network/VLDataURL.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const std::optional<VLDataURL> read = VLDataURL::parse(text);
    if (!read)
        return 0;
    const std::string& type = read->MIMEType();
    if (type.find('/') == std::string::npos || type.find('/') != type.rfind('/') ||
        read->body().size() > size)
        abort();
    for (const char c : type) {
        if (c >= 'A' && c <= 'Z')
            abort();
    }
    const std::optional<VLDataURL> again = VLDataURL::parse(text);
    if (!again || again->MIMEType() != type || again->charset() != read->charset() ||
        again->body() != read->body())
        abort();
    return 0;
}
