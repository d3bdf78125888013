#include "Platform/Foundation/VLURLComponents.h"

#include "Platform/Foundation/VLUnicode.h"

#include <algorithm>

namespace {

bool isAlphanumeric(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Every byte but letters, digits and the others allowed as %XX (UTF-8 bytes, upper-case hex).
std::string percentEncode(std::string_view text, std::string_view allowed) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size());
    for (unsigned char c : text) {
        if (isAlphanumeric(c) || allowed.find(char(c)) != std::string_view::npos) {
            result += char(c);
        } else {
            result += '%';
            result += kHex[c >> 4];
            result += kHex[c & 15];
        }
    }
    return result;
}

constexpr std::string_view kAllowedInQueryItem = "-._~!$'()*+,;:@/?";
constexpr std::string_view kAllowedInPath = "-._~!$&'()*+,=:@/";

bool isSchemeText(std::string_view text) {
    auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (text.empty() || !isAlpha(text[0]))
        return false;
    return std::all_of(text.begin(), text.end(), [&](char c) {
        return isAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    });
}

// The authority without user information.
std::string_view hostAndPort(std::string_view authority) {
    size_t at = authority.rfind('@');
    return at == std::string_view::npos ? authority : authority.substr(at + 1);
}

// Where the port's ':' stands in host and port, if anywhere.
size_t portColon(std::string_view hostPort) {
    size_t colon = hostPort.rfind(':');
    size_t bracket = hostPort.rfind(']');
    if (colon == std::string_view::npos || (bracket != std::string_view::npos && colon < bracket))
        return std::string_view::npos;
    return colon;
}

} // namespace

VLURLComponents::VLURLComponents(std::string_view string) {
    size_t hash = string.find('#');
    if (hash != std::string_view::npos) {
        _fragment = std::string(string.substr(hash + 1));
        string = string.substr(0, hash);
    }
    size_t question = string.find('?');
    if (question != std::string_view::npos) {
        _query = std::string(string.substr(question + 1));
        string = string.substr(0, question);
    }
    size_t colon = string.find(':');
    if (colon != std::string_view::npos && isSchemeText(string.substr(0, colon))) {
        _scheme = std::string(string.substr(0, colon));
        string.remove_prefix(colon + 1);
    }
    if (string.starts_with("//")) {
        string.remove_prefix(2);
        size_t slash = string.find('/');
        _authority = std::string(string.substr(0, slash));
        string = slash == std::string_view::npos ? std::string_view() : string.substr(slash);
    }
    _path = std::string(string);
}

std::optional<std::string> VLURLComponents::percentEncodedHost() const {
    if (!_authority)
        return std::nullopt;
    std::string_view host = hostAndPort(*_authority);
    host = host.substr(0, portColon(host));
    if (host.starts_with('[') && host.ends_with(']'))
        host = host.substr(1, host.size() - 2);
    return std::string(host);
}

std::optional<int> VLURLComponents::port() const {
    if (!_authority)
        return std::nullopt;
    std::string_view hostPort = hostAndPort(*_authority);
    size_t colon = portColon(hostPort);
    if (colon == std::string_view::npos)
        return std::nullopt;
    std::string_view digits = hostPort.substr(colon + 1);
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    int port = 0;
    for (char c : digits)
        port = port * 10 + (c - '0');
    // Ports are 16 bits: a larger number names none, rather than one a connection would cut it to.
    return port <= 65535 ? std::optional(port) : std::nullopt;
}

bool VLURLComponents::writesAPort() const {
    if (!_authority)
        return false;
    std::string_view hostPort = hostAndPort(*_authority);
    size_t colon = portColon(hostPort);
    return colon != std::string_view::npos && colon + 1 < hostPort.size();
}

std::vector<VLURLQueryItem> VLURLComponents::percentEncodedQueryItems() const {
    std::vector<VLURLQueryItem> items;
    if (!_query || _query->empty())
        return items;
    std::string_view rest = *_query;
    while (true) {
        size_t ampersand = rest.find('&');
        std::string_view piece = rest.substr(0, ampersand);
        size_t equals = piece.find('=');
        if (equals == std::string_view::npos)
            items.push_back({std::string(piece), std::nullopt});
        else
            items.push_back({std::string(piece.substr(0, equals)), std::string(piece.substr(equals + 1))});
        if (ampersand == std::string_view::npos)
            break;
        rest.remove_prefix(ampersand + 1);
    }
    return items;
}

void VLURLComponents::setPercentEncodedQueryItems(const std::vector<VLURLQueryItem>& items) {
    if (items.empty() && !_query)
        return;
    std::string query;
    for (const VLURLQueryItem& item : items) {
        if (&item != &items.front())
            query += '&';
        query += item.name;
        if (item.value)
            query += '=' + *item.value;
    }
    _query = std::move(query);
}

std::string VLURLComponents::string() const {
    std::string result;
    if (_scheme)
        result += *_scheme + ':';
    if (_authority)
        result += "//" + *_authority;
    result += _path;
    if (_query)
        result += '?' + *_query;
    if (_fragment)
        result += '#' + *_fragment;
    return result;
}

VLURLQueryItem VLURLComponents::queryItem(std::string_view name, std::optional<std::string_view> value) {
    VLURLQueryItem item{percentEncode(name, kAllowedInQueryItem), std::nullopt};
    if (value)
        item.value = percentEncode(*value, kAllowedInQueryItem);
    return item;
}

std::string VLURLComponents::percentEncodePath(std::string_view text) {
    return percentEncode(text, kAllowedInPath);
}

std::string VLURLComponents::percentDecode(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '%' && index + 2 < text.size() && VLHexDigitValue(text[index + 1]) >= 0 &&
            VLHexDigitValue(text[index + 2]) >= 0) {
            result += char(VLHexDigitValue(text[index + 1]) * 16 + VLHexDigitValue(text[index + 2]));
            index += 2;
        } else {
            result += text[index];
        }
    }
    return result;
}
