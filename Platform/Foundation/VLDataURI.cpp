#include "Platform/Foundation/VLDataURI.h"

#include "Platform/Foundation/VLBase64.h"
#include "Platform/Foundation/VLURLComponents.h"
#include "Platform/Foundation/VLUnicode.h"

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && VLIsASCIIWhitespace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && VLIsASCIIWhitespace(text.back()))
        text.remove_suffix(1);
    return text;
}

// Whether the media type ends in ";", any spaces and "base64" (in any case); if so, takes that off.
bool removeBase64Marker(std::string_view& mediaType) {
    constexpr std::string_view marker = "base64";
    if (mediaType.size() < marker.size() ||
        VLASCIILowercaseString(mediaType.substr(mediaType.size() - marker.size())) != marker)
        return false;
    std::string_view rest = mediaType.substr(0, mediaType.size() - marker.size());
    while (!rest.empty() && rest.back() == ' ')
        rest.remove_suffix(1);
    if (rest.empty() || rest.back() != ';')
        return false;
    rest.remove_suffix(1);
    mediaType = rest;
    return true;
}

// Whether every "%" starts an escape of two hexadecimal digits.
bool hasOnlyWholeEscapes(std::string_view text) {
    for (size_t index = text.find('%'); index != std::string_view::npos; index = text.find('%', index + 1)) {
        if (index + 2 >= text.size() || VLHexDigitValue(text[index + 1]) < 0 ||
            VLHexDigitValue(text[index + 2]) < 0)
            return false;
    }
    return true;
}

VLData bytesOf(const std::string& text) {
    return VLData(text.begin(), text.end());
}

} // namespace

std::optional<VLDataURI> VLDataURI::parse(std::string_view text) {
    constexpr std::string_view scheme = "data:";
    if (text.size() < scheme.size() || VLASCIILowercaseString(text.substr(0, scheme.size())) != scheme)
        return std::nullopt;
    const std::string_view rest = text.substr(0, text.find('#')).substr(scheme.size());
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos)
        return std::nullopt;
    VLDataURI uri;
    uri._mediaType = trimmed(rest.substr(0, comma));
    uri._isBase64 = removeBase64Marker(uri._mediaType);
    uri._body = rest.substr(comma + 1);
    return uri;
}

std::optional<VLData> VLDataURI::dataWithContentsOfURI(std::string_view text, Decoding decoding) {
    std::optional<VLDataURI> uri = parse(text);
    return uri ? uri->decodedBody(decoding) : std::nullopt;
}

std::optional<VLData> VLDataURI::decodedBody(Decoding decoding) const {
    std::string decoded = VLURLComponents::percentDecode(_body);
    if (decoding == Decoding::Strict)
        return _isBase64 ? VLBase64DecodeForgiving(decoded) : bytesOf(decoded);

    VLData bytes;
    if (!_isBase64)
        bytes = bytesOf(decoded);
    else if (hasOnlyWholeEscapes(_body) && VLIsValidUTF8(decoded))
        bytes = VLBase64DecodeIgnoringUnknownCharacters(decoded);
    else
        bytes = VLBase64DecodeIgnoringUnknownCharacters(_body);
    if (bytes.empty())
        return std::nullopt;
    return bytes;
}
