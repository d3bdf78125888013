#pragma once

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// One IPv4 or IPv6 address, with a port when it came with one. A value type.
class VLNetworkAddress {
public:
    // Nothing for another family or a short address.
    static std::optional<VLNetworkAddress> fromSocketAddress(const sockaddr* address, socklen_t length);
    // A literal in any form the system's numeric parser takes ("127.1", "0x7f.0.0.1", "::1", but no
    // brackets); nothing for anything else. Never asks a name server.
    static std::optional<VLNetworkAddress> fromLiteral(std::string_view text);

    bool isIPv4() const { return _family == AF_INET; }
    bool isIPv6() const { return _family == AF_INET6; }
    // In host byte order; IPv4 only.
    uint32_t ipv4() const { return _ipv4; }
    // The sixteen bytes in network order; IPv6 only.
    const std::array<uint8_t, 16>& ipv6() const { return _ipv6; }

    // "127.0.0.1", "::1".
    std::string text() const;

    bool operator==(const VLNetworkAddress&) const = default;

private:
    VLNetworkAddress() = default;

    sa_family_t _family = AF_UNSPEC;
    uint32_t _ipv4 = 0;
    std::array<uint8_t, 16> _ipv6{};
};
