#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"

#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <vector>

namespace {

constexpr int64_t kInterfaceUp = 0x1;       // IFF_UP
constexpr int64_t kInterfaceLoopback = 0x8; // IFF_LOOPBACK
constexpr uint64_t kRouteUp = 0x1;          // RTF_UP
constexpr uint64_t kRouteReject = 0x200;    // RTF_REJECT

// The fields of a line, split at white space.
std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> parts;
    while (!line.empty()) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        line.remove_prefix(start);
        size_t end = std::min(line.find_first_of(" \t"), line.size());
        parts.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
    return parts;
}

std::optional<uint64_t> number(std::string_view text, int base) {
    uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// A name that stays one folder of /sys/class/net.
bool isInterfaceName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

std::string interfacePath(std::string_view interface, std::string_view file) {
    std::string path = "/sys/class/net/";
    path.append(interface);
    path.push_back('/');
    path.append(file);
    return path;
}

} // namespace

void VLSystemStatusNetworkReader::addIPv4DefaultRoutes(std::vector<Route>& routes) const {
    std::optional<std::string> table = _files.text("/proc/net/route");
    if (!table)
        return;
    // Iface Destination Gateway Flags RefCnt Use Metric Mask ...; the first line names the columns.
    bool header = true;
    VLSystemStatusForEachLine(*table, [&](std::string_view line) {
        if (std::exchange(header, false))
            return;
        std::vector<std::string_view> columns = fields(line);
        if (columns.size() < 8)
            return;
        std::optional<uint64_t> destination = number(columns[1], 16), routeFlags = number(columns[3], 16),
                                metric = number(columns[6], 10), mask = number(columns[7], 16);
        if (destination == 0u && mask == 0u && routeFlags && (*routeFlags & kRouteUp) && metric)
            routes.push_back({std::string(columns[0]), *metric});
    });
}

void VLSystemStatusNetworkReader::addIPv6DefaultRoutes(std::vector<Route>& routes) const {
    std::optional<std::string> table = _files.text("/proc/net/ipv6_route");
    if (!table)
        return;
    // destination, its prefix length, source, its prefix length, next hop, metric, references, use,
    // flags, device.
    VLSystemStatusForEachLine(*table, [&](std::string_view line) {
        std::vector<std::string_view> columns = fields(line);
        if (columns.size() < 10)
            return;
        std::optional<uint64_t> prefixLength = number(columns[1], 16), metric = number(columns[5], 16),
                                routeFlags = number(columns[8], 16);
        const bool anyDestination =
            columns[0].size() == 32 && columns[0].find_first_not_of('0') == std::string_view::npos;
        if (anyDestination && prefixLength == 0u && metric && routeFlags && (*routeFlags & kRouteUp) &&
            !(*routeFlags & kRouteReject))
            routes.push_back({std::string(columns[9]), *metric});
    });
}

std::optional<int64_t> VLSystemStatusNetworkReader::flags(std::string_view interface) const {
    return _files.integer(interfacePath(interface, "flags"));
}

bool VLSystemStatusNetworkReader::carriesTraffic(std::string_view interface) const {
    if (!isInterfaceName(interface))
        return false;
    std::optional<int64_t> interfaceFlags = flags(interface);
    if (!interfaceFlags || !(*interfaceFlags & kInterfaceUp) || (*interfaceFlags & kInterfaceLoopback))
        return false;
    std::optional<std::string> state = _files.line(interfacePath(interface, "operstate"));
    return state && (VLSystemStatusTrimmed(*state) == "up" || VLSystemStatusTrimmed(*state) == "unknown");
}

std::string VLSystemStatusNetworkReader::kind(std::string_view interface) const {
    if (_files.exists(interfacePath(interface, "wireless")) ||
        _files.exists(interfacePath(interface, "phy80211")))
        return "wifi";
    bool wwan = false;
    if (std::optional<std::string> uevent = _files.text(interfacePath(interface, "uevent")))
        VLSystemStatusForEachLine(*uevent,
                                  [&](std::string_view line) { wwan = wwan || line == "DEVTYPE=wwan"; });
    if (wwan)
        return "cellular";
    return _files.integer(interfacePath(interface, "type")) == 1 ? "ethernet" : "other";
}

VLSystemStatusPath VLSystemStatusNetworkReader::path() const {
    std::vector<Route> routes;
    addIPv4DefaultRoutes(routes);
    addIPv6DefaultRoutes(routes);
    std::stable_sort(routes.begin(), routes.end(),
                     [](const Route& a, const Route& b) { return a.metric < b.metric; });
    for (const Route& route : routes) {
        if (carriesTraffic(route.interface))
            return {true, kind(route.interface), false};
    }
    return {};
}

VLSystemStatusInterfaceBytes::Sample VLSystemStatusNetworkReader::interfaceBytes() const {
    VLSystemStatusInterfaceBytes::Sample sample;
    for (const std::string& interface : _files.list("/sys/class/net")) {
        std::optional<int64_t> interfaceFlags = flags(interface);
        if (interfaceFlags && (*interfaceFlags & kInterfaceLoopback))
            continue;
        std::optional<int64_t> index = _files.integer(interfacePath(interface, "ifindex"));
        std::optional<int64_t> received = _files.integer(interfacePath(interface, "statistics/rx_bytes"));
        std::optional<int64_t> sent = _files.integer(interfacePath(interface, "statistics/tx_bytes"));
        if (index && *index > 0 && *index <= UINT32_MAX && received && *received >= 0 && sent && *sent >= 0)
            sample[uint32_t(*index)] = {uint64_t(*received), uint64_t(*sent), true};
    }
    return sample;
}
