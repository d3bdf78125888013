#include "Supports/SystemStatus/VLNetlinkPathMonitor.h"

#include "Platform/Foundation/VLDispatchQueue.h"
#include "Platform/Foundation/VLDispatchSource.h"
#include "Supports/SystemStatus/VLSystemStatusFileReader.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

struct VLNetlinkPathMonitor::Shared {
    explicit Shared(std::string root) : files(std::move(root)) {}

    std::mutex lock; // guards the handler against cancel(); held while the handler runs
    Handler handler;
    const VLSystemStatusFileReader files; // read on the queue
    const VLSystemStatusNetworkReader reader{files};
};

namespace {

int routeSocket() {
    int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups =
        RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads what is waiting; the messages only say that something changed.
void drain(int fd) {
    char buffer[8192];
    while (::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0) {
    }
}

} // namespace

VLNetlinkPathMonitor::~VLNetlinkPathMonitor() {
    cancel();
}

void VLNetlinkPathMonitor::start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) {
    cancel();
    _shared = std::make_shared<Shared>(_root);
    _shared->handler = std::move(handler);
    std::weak_ptr<Shared> weakShared = _shared;
    auto evaluateShared = [weakShared] {
        std::shared_ptr<Shared> shared = weakShared.lock();
        if (!shared)
            return;
        std::lock_guard lock(shared->lock);
        if (shared->handler)
            shared->handler(shared->reader.path());
    };
    const int fd = routeSocket();
    if (fd >= 0)
        _socket = VLDispatchSource::create(fd, EPOLLIN, queue, [fd, evaluateShared] {
            drain(fd);
            evaluateShared();
        });
    queue->async(evaluateShared);
}

void VLNetlinkPathMonitor::cancel() {
    if (_socket) {
        _socket->cancel();
        _socket = nullptr;
    }
    if (_shared) {
        std::lock_guard lock(_shared->lock);
        _shared->handler = nullptr;
        _shared = nullptr;
    }
}
