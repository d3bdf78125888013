#pragma once

#include <sys/types.h>

#include <set>

// Other applications' windows. Until the window list exists it keeps only the process-wide set of
// processes whose windows the list leaves out: the host's own.
//
// Any thread; the set is guarded by a global lock.
class VLWindowListMonitor {
public:
    VLWindowListMonitor() = delete;

    static std::set<pid_t> relatedProcessIdentifiers();
    static void setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers);
};
