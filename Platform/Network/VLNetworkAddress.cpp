#include "Platform/Network/VLNetworkAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>

std::optional<VLNetworkAddress> VLNetworkAddress::fromSocketAddress(const sockaddr* address,
                                                                    socklen_t length) {
    if (!address)
        return std::nullopt;
    VLNetworkAddress result;
    if (address->sa_family == AF_INET && length >= socklen_t(sizeof(sockaddr_in))) {
        result._family = AF_INET;
        result._ipv4 = ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
        return result;
    }
    if (address->sa_family == AF_INET6 && length >= socklen_t(sizeof(sockaddr_in6))) {
        result._family = AF_INET6;
        std::memcpy(result._ipv6.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, 16);
        return result;
    }
    return std::nullopt;
}

std::optional<VLNetworkAddress> VLNetworkAddress::fromLiteral(std::string_view text) {
    const std::string host(text);
    if (host.empty() || host.find('\0') != std::string::npos)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* list = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &list) != 0 || !list)
        return std::nullopt;
    std::optional<VLNetworkAddress> address = fromSocketAddress(list->ai_addr, list->ai_addrlen);
    ::freeaddrinfo(list);
    return address;
}

std::string VLNetworkAddress::text() const {
    char buffer[INET6_ADDRSTRLEN] = {};
    if (isIPv4()) {
        const in_addr address{htonl(_ipv4)};
        ::inet_ntop(AF_INET, &address, buffer, sizeof buffer);
    } else if (isIPv6()) {
        ::inet_ntop(AF_INET6, _ipv6.data(), buffer, sizeof buffer);
    }
    return buffer;
}
