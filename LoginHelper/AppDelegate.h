#pragma once

// What the helper does when the session starts it at login: opens the main application unless it runs
// already, then quits.
class AppDelegate {
public:
    // The process's exit status: 1 after a failed open, which is also told on standard error.
    int applicationDidFinishLaunching();
};
