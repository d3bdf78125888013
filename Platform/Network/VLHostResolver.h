#pragma once

#include "Platform/Network/VLNetworkAddress.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The process's name resolution: every lookup the engine's network code makes goes through here, the
// connections of the HTTP session included. Literal addresses are answered without asking anybody;
// names go to the system's resolver, unless a test put a resolver of its own in its place. Any thread;
// lookups of names block.
class VLHostResolver {
public:
    virtual ~VLHostResolver() = default;

    // The addresses of a name, in the resolver's order; empty when it has none or the lookup failed.
    virtual std::vector<VLNetworkAddress> addressesForName(const std::string& name) = 0;

    // The addresses of a host as a URL holds it (an IPv6 literal may keep its brackets): the literal
    // itself, or the shared resolver's answer for a name. Empty for an empty host.
    static std::vector<VLNetworkAddress> resolve(std::string_view host);

    // getaddrinfo, for stream sockets of any family.
    static const std::shared_ptr<VLHostResolver>& system();
    // The system's resolver unless a test put another in its place.
    static std::shared_ptr<VLHostResolver> shared();
    // nullptr brings back the system's resolver.
    static void setShared(std::shared_ptr<VLHostResolver> resolver);
};
