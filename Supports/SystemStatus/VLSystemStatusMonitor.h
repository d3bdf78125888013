#pragma once

// The process-wide system-status monitor. It reads nothing until a binding observes it, and until the
// readers exist nothing does. Any thread.
class VLSystemStatusMonitor {
public:
    // Made on first use, never destroyed.
    static VLSystemStatusMonitor& sharedInstance();

private:
    VLSystemStatusMonitor() = default;
};
