#include "Supports/SystemStatus/VLPowerSupplyEventSource.h"

#include "Platform/Foundation/VLDispatchSource.h"

#include <linux/netlink.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string_view>

namespace {

// The kernel's own uevents, as opposed to those that udev sends on.
constexpr uint32_t kKernelEvents = 1;

} // namespace

VLPowerSupplyEventSource::~VLPowerSupplyEventSource() {
    stop();
}

bool VLPowerSupplyEventSource::isPowerSupplyEvent(std::string_view message) {
    while (!message.empty()) {
        size_t end = message.find('\0');
        if (message.substr(0, end) == "SUBSYSTEM=power_supply")
            return true;
        if (end == std::string_view::npos)
            break;
        message.remove_prefix(end + 1);
    }
    return false;
}

void VLPowerSupplyEventSource::start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) {
    stop();
    int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0)
        return;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = kKernelEvents;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return;
    }
    _socket = VLDispatchSource::create(fd, EPOLLIN, std::move(queue), [fd, handler = std::move(handler)] {
        char buffer[8192];
        bool changed = false;
        for (ssize_t count; (count = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            changed = changed || isPowerSupplyEvent(std::string_view(buffer, size_t(count)));
        if (changed)
            handler();
    });
}

void VLPowerSupplyEventSource::stop() {
    if (_socket) {
        _socket->cancel();
        _socket = nullptr;
    }
}
