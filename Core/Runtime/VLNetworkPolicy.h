#pragma once

#include "Platform/Foundation/VLURL.h"
#include "Platform/Network/VLNetworkAddress.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The rules a runtime's network policy answers by. Pure functions of their arguments; any thread.

// Lower-cased; "[" … "]" taken off when there are at least 3 characters and both brackets; then every
// trailing "." removed.
std::string VLNormalizedHost(std::string_view host);

// Loopback, private, shared, link-local, the IETF block, "this network", and everything from 224.0.0.0
// up. Host byte order.
bool VLIPv4AddressIsLocal(uint32_t address);
// The IPv6 counterparts, and IPv4 addresses carried in IPv6 (mapped, compatible, NAT64) by the IPv4 rule.
bool VLIPv6AddressIsLocal(const std::array<uint8_t, 16>& bytes);
bool VLNetworkAddressIsLocal(const VLNetworkAddress& address);

// Whether the host's addresses lead into the local network: the first local one among them decides.
// Resolves names through the process's resolver, so it may block.
bool VLHostResolvesToLocalNetwork(std::string_view host);

// The denial of the URL for a runtime with these two settings, or nothing when it may be reached.
// Without a host list every host passes; with one, local names and address literals are refused
// before the list is consulted.
std::optional<std::string> VLNetworkDenialForURL(const VLURL& url, bool allowsNetworkAccess,
                                                 const std::optional<std::vector<std::string>>& allowedHosts);

// The denial of a URL whose host resolved to a local address; the host as the URL writes it.
std::string VLLocalNetworkAddressDenial(const VLURL& url);
