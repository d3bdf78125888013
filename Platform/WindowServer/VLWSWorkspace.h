#pragma once

#include "Platform/WindowServer/VLWSRunningApplication.h"

#include <functional>
#include <optional>
#include <vector>

// The applications running on the machine (this process among them), which one is frontmost, which are
// hidden, whether the machine sleeps, and the system's Reduce Motion setting. Changes post the workspace
// notifications.
//
// Main thread only; owned by the window server.
class VLWSWorkspace final {
public:
    VLWSWorkspace();

    // This process first.
    std::vector<VLWSRunningApplication> runningApplications() const;
    std::optional<VLWSRunningApplication> application(pid_t processIdentifier) const;
    std::optional<VLWSRunningApplication> frontmostApplication() const;
    bool isHidden(pid_t processIdentifier) const;
    // Off unless set.
    bool accessibilityDisplayShouldReduceMotion() const { return _reduceMotion; }

    // False for a process identifier already known, or not positive.
    bool launch(VLWSRunningApplication application);
    // False for an unknown one, or this process.
    bool terminate(pid_t processIdentifier);
    // False for an unknown one; true and quiet when it was frontmost already.
    bool activate(pid_t processIdentifier);
    // False for an unknown one, or this process.
    bool setHidden(pid_t processIdentifier, bool hidden);
    void changeSpace();
    // Runs after each change of the applications or the frontmost one, before its notification.
    void setChangeHandler(std::function<void()> handler) { _changed = std::move(handler); }
    void setReduceMotion(bool reduceMotion) { _reduceMotion = reduceMotion; }
    // The machine is about to sleep, or has woken: each call posts its notification, as the system
    // tells each time.
    void willSleep();
    void didWake();

private:
    VLWSRunningApplication* find(pid_t processIdentifier);
    void post(const char* name, const VLWSRunningApplication& application);

    std::vector<VLWSRunningApplication> _applications; // this process first
    pid_t _frontmost = 0;
    bool _reduceMotion = false;
    std::function<void()> _changed;
};
