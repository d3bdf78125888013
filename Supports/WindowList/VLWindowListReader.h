#pragma once

#include "Supports/WindowList/VLWindowListEntry.h"

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

class VLWSSnapshot;

// Turns the window server's list into the monitor's: the ordinary windows of other applications, front
// to back, with the active application, full-screen and floating flags. It remembers which processes
// belong to the system's own interface (by bundle identifier); a process without one counts as the
// system's and is asked again after 5 s.
//
// Any thread; the process caches are guarded by a lock.
class VLWindowListReader final {
public:
    // Window ID -> alpha of the windows read that are neither transparent nor opaque.
    using Translucency = std::map<uint32_t, double>;

    // Nothing when a system process's dock-level window covers a whole display, which makes the read void.
    std::optional<std::vector<VLWindowListEntry>> read(const VLWSSnapshot& snapshot, pid_t ownPID,
                                                       const std::set<pid_t>& related,
                                                       Translucency* translucency);

    bool isSystemProcess(const VLWSSnapshot& snapshot, pid_t processIdentifier);
    // A process launched or ended: it is asked again. An ended one's answer is forgotten too.
    void forgetUnknownProcess(pid_t processIdentifier);
    void forgetProcess(pid_t processIdentifier);
    void forgetAll();

private:
    std::mutex _lock; // guards the two maps; any thread
    std::map<pid_t, bool> _systemProcesses;
    std::map<pid_t, double> _unknownProcesses; // clock seconds when found without a bundle identifier
};
