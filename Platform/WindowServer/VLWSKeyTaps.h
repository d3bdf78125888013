#pragma once

#include "Platform/WindowServer/VLWSKeyTap.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

// Whether this process may listen to the keyboard, as the system's input-monitoring check answers.
enum class VLWSListenAccess { Unknown, Granted, Denied };

// The window server's key taps and the access they need. Access starts unknown; a request for it is
// counted and changes nothing, since a headless server has nobody to answer it. The driver sets the
// access, makes tap creation fail and times the taps out.
//
// Owned by the window server. The access and the request count may be read and requested from any
// thread; everything else is main-thread work.
class VLWSKeyTaps final {
public:
    VLWSListenAccess access() const { return _access.load(); }
    void requestAccess() { ++_accessRequests; }
    size_t accessRequestCount() const { return _accessRequests.load(); }

    // A new tap, disabled; nullptr without granted access or while creation is made to fail.
    std::shared_ptr<VLWSKeyTap> createTap(VLWSKeyTap::Callback callback);
    // Taps made and not yet invalidated or let go of.
    size_t liveTapCount() const;

    // Hands a key event to every enabled tap, before the event is routed.
    void deliver(const VLWSEvent& event);

    // The driver's.
    void setAccess(VLWSListenAccess access) { _access = access; }
    void setCreationFails(bool fails) { _creationFails = fails; }
    // Every enabled tap is disabled and told so.
    void timeOut();

private:
    // Live taps, pruning the others.
    std::vector<std::shared_ptr<VLWSKeyTap>> liveTaps();

    std::atomic<VLWSListenAccess> _access{VLWSListenAccess::Unknown};
    std::atomic<size_t> _accessRequests{0};
    bool _creationFails = false;                  // main thread
    std::vector<std::weak_ptr<VLWSKeyTap>> _taps; // main thread
};
