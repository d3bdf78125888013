#include "Platform/WindowServer/VLWSEventMonitor.h"

VLWSEventMonitor::VLWSEventMonitor(uint64_t mask, VLWSEvent::LocalHandler handler)
    : _mask(mask), _local(std::move(handler)) {}

VLWSEventMonitor::VLWSEventMonitor(uint64_t mask, VLWSEvent::GlobalHandler handler)
    : _mask(mask), _global(std::move(handler)) {}

bool VLWSEventMonitor::matches(const VLWSEvent& event) const {
    return _mask & VLWSEventMaskFromType(event.type());
}

std::optional<VLWSEvent> VLWSEventMonitor::handleLocal(const VLWSEvent& event) const {
    return _local ? _local(event) : std::optional<VLWSEvent>(event);
}

void VLWSEventMonitor::handleGlobal(const VLWSEvent& event) const {
    if (_global)
        _global(event);
}
