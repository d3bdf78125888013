#pragma once

#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string_view>

// A data: URI, "data:[<media type>][;base64],<data>", split into its parts: the scheme in any case, the
// media type up to the first comma (trimmed, its ";base64" marker taken off), the body after it up to a
// fragment. Views into the text it was read from, which must outlive it. Any thread.
class VLDataURI {
public:
    // How the body becomes bytes.
    enum class Decoding : uint8_t {
        // The Fetch Standard's: the body percent-decoded and, under ";base64", read as forgiving Base64:
        // whitespace and missing padding pass, any other stray character fails.
        Strict,
        // What browsers accept for fonts: under ";base64" the body is percent-decoded (kept as it is when
        // a "%" starts no escape or the result is no UTF-8) and every character outside the Base64
        // alphabet is skipped; a body that gives no bytes fails.
        Lenient,
    };

    // Nothing for a text that does not start with "data:" or has no comma.
    static std::optional<VLDataURI> parse(std::string_view text);
    // The body's bytes; nothing when the text is no data: URI or the body fails the decoding.
    static std::optional<VLData> dataWithContentsOfURI(std::string_view text, Decoding decoding);

    // Without the ";base64" marker; what is left may be empty or start with ";".
    std::string_view mediaType() const { return _mediaType; }
    bool isBase64() const { return _isBase64; }
    std::string_view body() const { return _body; }
    std::optional<VLData> decodedBody(Decoding decoding) const;

private:
    VLDataURI() = default;

    std::string_view _mediaType;
    std::string_view _body;
    bool _isBase64 = false;
};
