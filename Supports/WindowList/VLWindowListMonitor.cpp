#include "Supports/WindowList/VLWindowListMonitor.h"

#include <mutex>

namespace {

struct RelatedProcesses {
    std::mutex lock;
    std::set<pid_t> identifiers;
};

RelatedProcesses& relatedProcesses() {
    static RelatedProcesses* processes = new RelatedProcesses(); // outlives every caller at exit
    return *processes;
}

} // namespace

std::set<pid_t> VLWindowListMonitor::relatedProcessIdentifiers() {
    RelatedProcesses& processes = relatedProcesses();
    std::lock_guard lock(processes.lock);
    return processes.identifiers;
}

void VLWindowListMonitor::setRelatedProcessIdentifiers(const std::set<pid_t>& identifiers) {
    RelatedProcesses& processes = relatedProcesses();
    std::lock_guard lock(processes.lock);
    processes.identifiers = identifiers;
}
