#include "Core/Runtime/VLNetworkPolicy.h"

#include "Platform/Foundation/VLStringWithFormat.h"
#include "Platform/Foundation/VLUnicode.h"
#include "Platform/Network/VLHostResolver.h"

#include <algorithm>

namespace {

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Names and literals that lead into the machine or its network, judged by their text alone. The last
// label decides for IPv4 literals, so that every numeric form ("0x7f.1", "2130706433") is caught.
bool isLocalName(std::string_view host) {
    if (host.empty() || host == "localhost" || endsWith(host, ".localhost") || endsWith(host, ".local") ||
        host.find(':') != std::string_view::npos)
        return true;
    const size_t dot = host.rfind('.');
    const std::string_view label = dot == std::string_view::npos ? host : host.substr(dot + 1);
    return !label.empty() && label.front() >= '0' && label.front() <= '9' &&
           label.find_first_not_of("0123456789abcdefx") == std::string_view::npos;
}

bool patternMatches(std::string_view pattern, std::string_view host) {
    if (pattern.starts_with("*.")) {
        const std::string_view suffix = pattern.substr(1);
        return host.size() > suffix.size() && endsWith(host, suffix);
    }
    return pattern == host;
}

uint32_t ipv4At(const std::array<uint8_t, 16>& bytes, size_t offset) {
    return uint32_t(bytes[offset]) << 24 | uint32_t(bytes[offset + 1]) << 16 |
           uint32_t(bytes[offset + 2]) << 8 | uint32_t(bytes[offset + 3]);
}

bool allZero(const std::array<uint8_t, 16>& bytes, size_t begin, size_t end) {
    return std::all_of(bytes.begin() + long(begin), bytes.begin() + long(end),
                       [](uint8_t b) { return b == 0; });
}

} // namespace

std::string VLNormalizedHost(std::string_view host) {
    std::string normalized = VLASCIILowercaseString(host);
    if (normalized.size() >= 3 && normalized.front() == '[' && normalized.back() == ']')
        normalized = normalized.substr(1, normalized.size() - 2);
    while (!normalized.empty() && normalized.back() == '.')
        normalized.pop_back();
    return normalized;
}

bool VLIPv4AddressIsLocal(uint32_t address) {
    const uint32_t a = address >> 24;
    const uint32_t b = (address >> 16) & 0xff;
    const uint32_t c = (address >> 8) & 0xff;
    return a == 0 || a == 10 || a == 127 || (a == 100 && b >= 64 && b <= 127) || (a == 169 && b == 254) ||
           (a == 172 && b >= 16 && b <= 31) || (a == 192 && b == 168) || (a == 192 && b == 0 && c == 0) ||
           a >= 224;
}

bool VLIPv6AddressIsLocal(const std::array<uint8_t, 16>& bytes) {
    if (!allZero(bytes, 0, 4)) {
        const uint8_t a0 = bytes[0], a1 = bytes[1], a2 = bytes[2];
        if (a0 == 0xff || (a0 == 0xfe && a1 >= 0x80) || a0 == 0xfd || (a0 == 0xfc && !(a1 == 0 && a2 < 0x40)))
            return true;
        static constexpr uint8_t nat64[] = {0x00, 0x64, 0xff, 0x9b};
        if (std::equal(std::begin(nat64), std::end(nat64), bytes.begin()) && allZero(bytes, 4, 12))
            return VLIPv4AddressIsLocal(ipv4At(bytes, 12));
        return false;
    }
    if (!allZero(bytes, 4, 8))
        return false;
    if (bytes[8] == 0 && bytes[9] == 0 && bytes[10] == 0xff && bytes[11] == 0xff)
        return VLIPv4AddressIsLocal(ipv4At(bytes, 12));
    if (!allZero(bytes, 8, 12))
        return false;
    const uint32_t last = ipv4At(bytes, 12);
    // :: and ::1; the rest are IPv4-compatible addresses.
    return last <= 1 || VLIPv4AddressIsLocal(last);
}

bool VLNetworkAddressIsLocal(const VLNetworkAddress& address) {
    return address.isIPv4() ? VLIPv4AddressIsLocal(address.ipv4()) : VLIPv6AddressIsLocal(address.ipv6());
}

bool VLHostResolvesToLocalNetwork(std::string_view host) {
    const std::string normalized = VLNormalizedHost(host);
    if (normalized.empty())
        return false;
    const std::vector<VLNetworkAddress> addresses = VLHostResolver::resolve(normalized);
    return std::any_of(addresses.begin(), addresses.end(), VLNetworkAddressIsLocal);
}

std::optional<std::string>
VLNetworkDenialForURL(const VLURL& url, bool allowsNetworkAccess,
                      const std::optional<std::vector<std::string>>& allowedHosts) {
    if (!allowsNetworkAccess)
        return VLStringWithFormat("network access needs the \"network\" permission in manifest.json");
    if (!allowedHosts)
        return std::nullopt;
    const std::string host = VLNormalizedHost(url.host().value_or(""));
    if (isLocalName(host))
        return VLStringWithFormat("\"%@\" is an IP address or a local name, which content can't reach", host);
    for (const std::string& pattern : *allowedHosts) {
        if (patternMatches(VLNormalizedHost(pattern), host))
            return std::nullopt;
    }
    return VLStringWithFormat("\"%@\" isn't one of the domains in network.domains of manifest.json", host);
}

std::string VLLocalNetworkAddressDenial(const VLURL& url) {
    return VLStringWithFormat("\"%@\" resolves to a local network address, which content can't reach",
                              url.host().value_or(""));
}
