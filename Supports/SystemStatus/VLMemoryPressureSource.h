#pragma once

#include "Supports/SystemStatus/VLSystemStatusPathMonitor.h"

#include <memory>
#include <string>

class VLDispatchSource;

// Memory pressure as the kernel signals it: a trigger on /proc/pressure/memory (a 150 ms stall of some
// tasks within 2 s, the finest window an unprivileged process may ask for), which wakes the handler
// when crossed. Without pressure stall information it stays quiet.
class VLMemoryPressureSource final : public VLSystemStatusChangeSource {
public:
    explicit VLMemoryPressureSource(std::string root = "/") : _root(std::move(root)) {}
    ~VLMemoryPressureSource() override;

    void start(std::shared_ptr<VLDispatchQueue> queue, Handler handler) override;
    void stop() override;

private:
    const std::string _root;
    std::shared_ptr<VLDispatchSource> _trigger;
};
