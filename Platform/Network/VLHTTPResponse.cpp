#include "Platform/Network/VLHTTPResponse.h"

#include "Platform/Foundation/VLUnicode.h"

VLHTTPResponse::VLHTTPResponse(VLURL url, long statusCode, int64_t expectedContentLength, Headers headers)
    : _url(std::move(url)), _statusCode(statusCode), _expectedContentLength(expectedContentLength),
      _headers(std::move(headers)) {
    if (std::optional<std::string> type = valueForHeader("Content-Type")) {
        std::string bare = VLASCIILowercaseString(type->substr(0, type->find(';')));
        const size_t begin = bare.find_first_not_of(" \t");
        const size_t end = bare.find_last_not_of(" \t");
        if (begin != std::string::npos)
            _MIMEType = bare.substr(begin, end - begin + 1);
    }
}

VLHTTPResponse VLHTTPResponse::local(VLURL url, std::string MIMEType,
                                     std::optional<std::string> textEncodingName,
                                     int64_t expectedContentLength) {
    VLHTTPResponse response(std::move(url), 0, expectedContentLength, {});
    response._MIMEType = std::move(MIMEType);
    response._textEncodingName = std::move(textEncodingName);
    response._isHTTP = false;
    return response;
}

std::optional<std::string> VLHTTPResponse::valueForHeader(std::string_view name) const {
    const std::string wanted = VLASCIILowercaseString(name);
    for (auto it = _headers.rbegin(); it != _headers.rend(); ++it) {
        if (VLASCIILowercaseString(it->first) == wanted)
            return it->second;
    }
    return std::nullopt;
}
