#pragma once

#include "Supports/SystemStatus/VLSystemStatusInterfaceBytes.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class VLSystemStatusFileReader;

// Where the network path leads: online or not, the kind of interface that carries it.
struct VLSystemStatusPath {
    bool online = false;
    std::optional<std::string> interface; // "wifi", "ethernet", "cellular" or "other"; none offline
    bool expensive = false;               // no metered flag is known here, so always false

    friend bool operator==(const VLSystemStatusPath&, const VLSystemStatusPath&) = default;
};

// Reads the network path and the interfaces' byte counters from /proc/net and /sys/class/net.
class VLSystemStatusNetworkReader {
public:
    explicit VLSystemStatusNetworkReader(const VLSystemStatusFileReader& files) : _files(files) {}

    // Online when a default route (IPv4 or IPv6; the lowest metric first) goes through an interface that
    // is up (IFF_UP, and operstate "up" or "unknown") and is not a loopback. The kind: "wifi" for a
    // wireless interface, "cellular" for a WWAN device, "ethernet" for another of type 1, else "other".
    VLSystemStatusPath path() const;
    // The received and sent bytes of every interface but the loopbacks, by interface index; the kernel's
    // counters are 64-bit, so the samples are exact.
    VLSystemStatusInterfaceBytes::Sample interfaceBytes() const;

private:
    struct Route {
        std::string interface;
        uint64_t metric = 0;
    };
    void addIPv4DefaultRoutes(std::vector<Route>& routes) const;
    void addIPv6DefaultRoutes(std::vector<Route>& routes) const;
    // The interface's flags; nothing when unknown.
    std::optional<int64_t> flags(std::string_view interface) const;
    bool carriesTraffic(std::string_view interface) const;
    std::string kind(std::string_view interface) const;

    const VLSystemStatusFileReader& _files;
};
