#include "Platform/WindowServer/VLWSWorkspace.h"

#include "Platform/Foundation/VLNotificationCenter.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

VLWSWorkspace::VLWSWorkspace() {
    _applications.push_back({getpid(), "app.velto", program_invocation_short_name, false});
}

std::vector<VLWSRunningApplication> VLWSWorkspace::runningApplications() const {
    return _applications;
}

std::optional<VLWSRunningApplication> VLWSWorkspace::application(pid_t processIdentifier) const {
    auto found = std::find_if(_applications.begin(), _applications.end(), [&](const auto& application) {
        return application.processIdentifier == processIdentifier;
    });
    return found == _applications.end() ? std::nullopt : std::optional(*found);
}

std::optional<VLWSRunningApplication> VLWSWorkspace::frontmostApplication() const {
    return application(_frontmost);
}

bool VLWSWorkspace::isHidden(pid_t processIdentifier) const {
    auto found = application(processIdentifier);
    return found && found->isHidden;
}

VLWSRunningApplication* VLWSWorkspace::find(pid_t processIdentifier) {
    auto found = std::find_if(_applications.begin(), _applications.end(), [&](const auto& application) {
        return application.processIdentifier == processIdentifier;
    });
    return found == _applications.end() ? nullptr : &*found;
}

bool VLWSWorkspace::launch(VLWSRunningApplication application) {
    if (application.processIdentifier <= 0 || find(application.processIdentifier))
        return false;
    _applications.push_back(application);
    post(VLWSWorkspaceDidLaunchApplicationNotification, application);
    return true;
}

bool VLWSWorkspace::terminate(pid_t processIdentifier) {
    VLWSRunningApplication* found = find(processIdentifier);
    if (!found || processIdentifier == getpid())
        return false;
    const VLWSRunningApplication gone = *found;
    std::erase(_applications, gone);
    if (_frontmost == processIdentifier)
        _frontmost = 0;
    post(VLWSWorkspaceDidTerminateApplicationNotification, gone);
    return true;
}

bool VLWSWorkspace::activate(pid_t processIdentifier) {
    VLWSRunningApplication* found = find(processIdentifier);
    if (!found)
        return false;
    if (_frontmost == processIdentifier)
        return true;
    _frontmost = processIdentifier;
    post(VLWSWorkspaceDidActivateApplicationNotification, *found);
    return true;
}

bool VLWSWorkspace::setHidden(pid_t processIdentifier, bool hidden) {
    VLWSRunningApplication* found = find(processIdentifier);
    if (!found || processIdentifier == getpid())
        return false;
    if (found->isHidden == hidden)
        return true;
    found->isHidden = hidden;
    post(hidden ? VLWSWorkspaceDidHideApplicationNotification : VLWSWorkspaceDidUnhideApplicationNotification,
         *found);
    return true;
}

void VLWSWorkspace::changeSpace() {
    VLNotificationCenter::defaultCenter().post(VLWSWorkspaceActiveSpaceDidChangeNotification);
}

void VLWSWorkspace::willSleep() {
    VLNotificationCenter::defaultCenter().post(VLWSWorkspaceWillSleepNotification);
}

void VLWSWorkspace::didWake() {
    VLNotificationCenter::defaultCenter().post(VLWSWorkspaceDidWakeNotification);
}

void VLWSWorkspace::post(const char* name, const VLWSRunningApplication& application) {
    if (_changed)
        _changed();
    VLNotificationCenter::defaultCenter().post(name, nullptr, {{VLWSWorkspaceApplicationKey, application}});
}
