#include "Supports/Input/VLInputMonitor.h"

bool VLInputMonitor::hasKeyAccess() {
    return false;
}

bool VLInputMonitor::canPromptForKeyAccess() {
    return false;
}

void VLInputMonitor::askForKeyAccess() {}
