#pragma once

#include "Supports/SystemStatus/VLSystemStatusNetworkReader.h"

#include <functional>
#include <memory>

class VLDispatchQueue;

// Follows the network path for the system-status monitor: the first evaluation comes as soon as the
// monitor can have it, and each later one when the network may have changed.
class VLSystemStatusPathMonitor {
public:
    using Handler = std::function<void(const VLSystemStatusPath& path)>;

    virtual ~VLSystemStatusPathMonitor() = default;

    // Calls the handler on the queue with each evaluation, until cancelled.
    virtual void start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) = 0;
    // The handler is not called once this has returned.
    virtual void cancel() = 0;
};

// Something the system tells of that may change a reading: the monitor reads again soon.
class VLSystemStatusChangeSource {
public:
    using Handler = std::function<void()>;

    virtual ~VLSystemStatusChangeSource() = default;

    // Calls the handler on the queue at each change, until stopped; a source that cannot watch stays
    // quiet.
    virtual void start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) = 0;
    // The handler is not called once this has returned.
    virtual void stop() = 0;
};
