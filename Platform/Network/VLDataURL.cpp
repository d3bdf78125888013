#include "Platform/Network/VLDataURL.h"

#include "Platform/Foundation/VLDataURI.h"
#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>
#include <cctype>

namespace {

bool isHTTPWhitespace(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool isTokenCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isQuotedStringCharacter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte == '\t' || (byte >= 0x20 && byte != 0x7F);
}

bool isToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

template <typename Predicate>
std::string_view trimmed(std::string_view text, Predicate isSpace) {
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The value of an HTTP quoted string starting at `position` (on its opening quote), its escapes
// undone; `position` ends after the closing quote or at the end.
std::string quotedStringValue(std::string_view input, size_t& position) {
    std::string value;
    ++position;
    while (position < input.size()) {
        const char c = input[position++];
        if (c == '"')
            break;
        if (c == '\\') {
            if (position >= input.size()) {
                value += '\\';
                break;
            }
            value += input[position++];
            continue;
        }
        value += c;
    }
    return value;
}

struct MediaType {
    std::string essence;
    std::optional<std::string> charset;
};

// The MIME Sniffing Standard's MIME type parser, keeping only what a response needs.
std::optional<MediaType> parseMediaType(std::string_view input) {
    input = trimmed(input, isHTTPWhitespace);
    const size_t slash = input.find('/');
    if (slash == std::string_view::npos || !isToken(input.substr(0, slash)))
        return std::nullopt;
    size_t position = std::min(input.find(';', slash), input.size());
    const std::string_view subtype = trimmed(input.substr(slash + 1, position - slash - 1), isHTTPWhitespace);
    if (!isToken(subtype))
        return std::nullopt;
    MediaType type{VLASCIILowercaseString(input.substr(0, slash)) + "/" + VLASCIILowercaseString(subtype),
                   {}};

    bool sawCharset = false;
    while (position < input.size()) {
        ++position; // the ';'
        while (position < input.size() && isHTTPWhitespace(input[position]))
            ++position;
        const size_t nameEnd = std::min(input.find_first_of(";=", position), input.size());
        const std::string name = VLASCIILowercaseString(input.substr(position, nameEnd - position));
        position = nameEnd;
        if (position >= input.size())
            break;
        if (input[position] == ';')
            continue;
        ++position; // the '='
        if (position >= input.size())
            break;
        std::string value;
        if (input[position] == '"') {
            value = quotedStringValue(input, position);
            position = std::min(input.find(';', position), input.size());
        } else {
            const size_t valueEnd = std::min(input.find(';', position), input.size());
            value = std::string(trimmed(input.substr(position, valueEnd - position), isHTTPWhitespace));
            position = valueEnd;
            if (value.empty())
                continue;
        }
        if (name == "charset" && !sawCharset &&
            std::all_of(value.begin(), value.end(), isQuotedStringCharacter)) {
            sawCharset = true;
            type.charset = std::move(value);
        }
    }
    return type;
}

} // namespace

std::optional<VLDataURL> VLDataURL::parse(std::string_view url) {
    std::optional<VLDataURI> uri = VLDataURI::parse(url);
    if (!uri)
        return std::nullopt;
    std::optional<VLData> body = uri->decodedBody(VLDataURI::Decoding::Strict);
    if (!body)
        return std::nullopt;

    VLDataURL result;
    result._body = std::move(*body);
    const std::string_view mediaType = uri->mediaType();
    const std::string typeText =
        (!mediaType.empty() && mediaType.front() == ';' ? "text/plain" : "") + std::string(mediaType);
    std::optional<MediaType> type = parseMediaType(typeText);
    if (type) {
        result._MIMEType = std::move(type->essence);
        result._charset = std::move(type->charset);
    } else {
        result._MIMEType = "text/plain";
    }
    return result;
}
