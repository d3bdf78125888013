// libFuzzer target for URL components: any text splits into parts that give the text back, the host
// and port readers stay within the authority, query items survive a round trip, and references
// resolve against a base without failing.
#include "Platform/Foundation/VLURL.h"
#include "Platform/Foundation/VLURLComponents.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    VLURLComponents components(text);
    if (components.string() != text)
        abort();
    if (auto host = components.percentEncodedHost()) {
        if (!components.percentEncodedAuthority() ||
            components.percentEncodedAuthority()->find(*host) == std::string::npos)
            abort();
    }
    components.port();
    const auto items = components.percentEncodedQueryItems();
    VLURLComponents copy = components;
    copy.setPercentEncodedQueryItems(items);
    if (copy.percentEncodedQueryItems() != items)
        abort();
    VLURLComponents::percentDecode(text);

    // The first half as a base, the rest as a reference.
    const VLURL base(text.substr(0, size / 2));
    const VLURL resolved(text.substr(size / 2), base);
    resolved.path();
    resolved.lastPathComponent();
    resolved.pathExtension();
    return 0;
}
