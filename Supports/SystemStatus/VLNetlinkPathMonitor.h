#pragma once

#include "Supports/SystemStatus/VLSystemStatusPathMonitor.h"

#include <memory>
#include <string>

class VLDispatchSource;

// The network path from the files under a root, evaluated once at the start and again after each
// message of a NETLINK_ROUTE socket that listens to the link, address and route groups. Without the
// socket only the first evaluation comes.
class VLNetlinkPathMonitor final : public VLSystemStatusPathMonitor {
public:
    explicit VLNetlinkPathMonitor(std::string root = "/") : _root(std::move(root)) {}
    ~VLNetlinkPathMonitor() override;

    void start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) override;
    void cancel() override;

private:
    // The handler and the reader; shared with the queue's blocks, which may run after a cancel.
    struct Shared;

    const std::string _root;
    std::shared_ptr<VLDispatchSource> _socket;
    std::shared_ptr<Shared> _shared;
};
