#pragma once

#include "Platform/Foundation/VLValue.h"

#include <optional>
#include <string>
#include <string_view>

// The contents of a data: URL, read as the Fetch Standard's data: URL processor reads them: the text
// before the first comma is the media type, the rest the body, percent-decoded and then, under
// ";base64", decoded from forgiving Base64 (VLDataURI's strict decoding). A media type that does not parse
// counts as "text/plain;charset=US-ASCII". A value type; any thread.
class VLDataURL {
public:
    // Nothing for a text that does not start with "data:" (in any case), has no comma, or has a body
    // that is not Base64 where it should be. A fragment is ignored.
    static std::optional<VLDataURL> parse(std::string_view url);

    // The media type's essence, lower-cased: "text/plain".
    const std::string& MIMEType() const { return _MIMEType; }
    // The charset parameter as the URL names it; nothing when it names none (the default media type
    // names none either).
    const std::optional<std::string>& charset() const { return _charset; }
    const VLData& body() const { return _body; }
    VLData takeBody() { return std::move(_body); }

private:
    VLDataURL() = default;

    std::string _MIMEType;
    std::optional<std::string> _charset;
    VLData _body;
};
