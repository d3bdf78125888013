#pragma once

#include "Platform/Foundation/VLURL.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The head of one response: an HTTP one, or that of a data: URL, which has no status and no header
// fields but may name a text encoding. A value type.
class VLHTTPResponse {
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    VLHTTPResponse(VLURL url, long statusCode, int64_t expectedContentLength, Headers headers);
    // A response that is not HTTP: status 0, no header fields.
    static VLHTTPResponse local(VLURL url, std::string MIMEType, std::optional<std::string> textEncodingName,
                                int64_t expectedContentLength);

    bool isHTTP() const { return _isHTTP; }

    // The URL that answered (after redirects).
    const VLURL& url() const { return _url; }
    long statusCode() const { return _statusCode; }
    // The Content-Length; -1 when unknown.
    int64_t expectedContentLength() const { return _expectedContentLength; }
    // The Content-Type without its parameters, lower-cased; nothing when absent or empty.
    const std::optional<std::string>& MIMEType() const { return _MIMEType; }
    // The charset that a response that is not HTTP names; nothing for HTTP responses.
    const std::optional<std::string>& textEncodingName() const { return _textEncodingName; }
    // In the order received, names as sent.
    const Headers& headers() const { return _headers; }
    // The last value of the header, its name compared without regard to case.
    std::optional<std::string> valueForHeader(std::string_view name) const;

private:
    VLURL _url;
    long _statusCode;
    int64_t _expectedContentLength;
    Headers _headers;
    std::optional<std::string> _MIMEType;
    std::optional<std::string> _textEncodingName;
    bool _isHTTP = true;
};
