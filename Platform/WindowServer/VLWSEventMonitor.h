#pragma once

#include "Platform/WindowServer/VLWSEvent.h"

#include <cstdint>

// One event monitor: a mask and a handler, local (sees this process's events first and may replace or
// swallow them) or global (observes the events that go elsewhere). Made by the window server, which
// keeps it until removed.
//
// Main thread only.
class VLWSEventMonitor final {
public:
    VLWSEventMonitor(uint64_t mask, VLWSEvent::LocalHandler handler);
    VLWSEventMonitor(uint64_t mask, VLWSEvent::GlobalHandler handler);

    bool isLocal() const { return bool(_local); }
    bool matches(const VLWSEvent& event) const;
    // Local: the event to pass on, or nullopt when swallowed.
    std::optional<VLWSEvent> handleLocal(const VLWSEvent& event) const;
    void handleGlobal(const VLWSEvent& event) const;

private:
    const uint64_t _mask;
    const VLWSEvent::LocalHandler _local;
    const VLWSEvent::GlobalHandler _global;
};
