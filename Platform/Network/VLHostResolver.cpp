#include "Platform/Network/VLHostResolver.h"

#include "Platform/Foundation/VLReplaceable.h"

#include <netdb.h>

namespace {

class SystemResolver final : public VLHostResolver {
public:
    std::vector<VLNetworkAddress> addressesForName(const std::string& name) override {
        std::vector<VLNetworkAddress> addresses;
        if (name.empty() || name.find('\0') != std::string::npos)
            return addresses;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        if (::getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0)
            return addresses;
        for (const addrinfo* entry = list; entry; entry = entry->ai_next) {
            if (auto address = VLNetworkAddress::fromSocketAddress(entry->ai_addr, entry->ai_addrlen))
                addresses.push_back(*address);
        }
        ::freeaddrinfo(list);
        return addresses;
    }
};

VLReplaceable<VLHostResolver> sharedResolver;

} // namespace

std::vector<VLNetworkAddress> VLHostResolver::resolve(std::string_view host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty())
        return {};
    if (std::optional<VLNetworkAddress> literal = VLNetworkAddress::fromLiteral(host))
        return {*literal};
    return shared()->addressesForName(std::string(host));
}

const std::shared_ptr<VLHostResolver>& VLHostResolver::system() {
    return VLReplaceableDefault<VLHostResolver, SystemResolver>();
}

std::shared_ptr<VLHostResolver> VLHostResolver::shared() {
    return sharedResolver.get(system());
}

void VLHostResolver::setShared(std::shared_ptr<VLHostResolver> resolver) {
    sharedResolver.set(std::move(resolver));
}
