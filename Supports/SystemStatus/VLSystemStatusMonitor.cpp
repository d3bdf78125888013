#include "Supports/SystemStatus/VLSystemStatusMonitor.h"

VLSystemStatusMonitor& VLSystemStatusMonitor::sharedInstance() {
    static VLSystemStatusMonitor* monitor = new VLSystemStatusMonitor(); // outlives every caller at exit
    return *monitor;
}
