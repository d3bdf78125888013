#pragma once

class VLWindowListMonitor;

// What the window list monitor asks of and tells its observers. It holds them weakly and calls every
// method on its own queue, so observers hop to their own threads.
class VLWindowListObserver {
public:
    virtual ~VLWindowListObserver() = default;

    // A different list was published.
    virtual void windowListMonitorDidChange(VLWindowListMonitor& monitor) = 0;
    // The observer wants only slow polling now.
    virtual bool windowListObserverIsIdle() = 0;
    // The observer is finished; the monitor drops it.
    virtual bool windowListObserverIsStopped() = 0;
};
