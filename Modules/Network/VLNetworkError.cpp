#include "Modules/Network/VLNetworkError.h"

#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"

namespace {

constexpr size_t kShownURLUnits = 128;

} // namespace

VLValue VLNetworkError(std::string_view name, std::string_view message) {
    return VLDictionary{{"name", std::string(name)}, {"message", std::string(message)}};
}

std::string VLNetworkDenialMessage(const VLURL& url, std::string_view reason) {
    std::string shown = url.absoluteString();
    if (VLUTF16Length(shown) > kShownURLUnits)
        shown = VLUTF8FromUTF16(VLUTF16FromUTF8(shown).substr(0, kShownURLUnits)) + "…";
    return VLStringWithFormat("Can't reach %@: %@", shown, std::string(reason));
}

std::optional<VLURL> VLNetworkURL(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return std::nullopt;
    }
    return VLURL(text);
}
