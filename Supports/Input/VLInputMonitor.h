#pragma once

// Global mouse and key activity. Until the input monitor exists the process has no key access and
// cannot ask for it. Any thread.
class VLInputMonitor {
public:
    VLInputMonitor() = delete;

    static bool hasKeyAccess();
    static bool canPromptForKeyAccess();
    static void askForKeyAccess();
};
