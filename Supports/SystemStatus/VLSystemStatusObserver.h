#pragma once

#include <memory>

class VLSystemStatusReading;

// What the system-status monitor tells those who observe it. The monitor holds its observers weakly
// and calls both methods on its own queue, so observers hop to their own threads.
class VLSystemStatusObserver {
public:
    virtual ~VLSystemStatusObserver() = default;

    // Each reading taken while the observer is live.
    virtual void systemStatusMonitorDidRead(const std::shared_ptr<const VLSystemStatusReading>& reading) = 0;
    // Only live observers get readings and keep the monitor sampling.
    virtual bool systemStatusObserverIsLive() = 0;
};
