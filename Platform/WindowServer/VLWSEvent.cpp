#include "Platform/WindowServer/VLWSEvent.h"

#include "Platform/WindowServer/VLWSEventMonitor.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

namespace {

bool isMouseType(VLWSEventType type) {
    switch (type) {
    case VLWSEventType::LeftMouseDown:
    case VLWSEventType::LeftMouseUp:
    case VLWSEventType::RightMouseDown:
    case VLWSEventType::RightMouseUp:
    case VLWSEventType::MouseMoved:
    case VLWSEventType::LeftMouseDragged:
    case VLWSEventType::RightMouseDragged:
    case VLWSEventType::MouseEntered:
    case VLWSEventType::MouseExited:
    case VLWSEventType::ScrollWheel:
    case VLWSEventType::OtherMouseDown:
    case VLWSEventType::OtherMouseUp:
    case VLWSEventType::OtherMouseDragged:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<VLWSEvent> VLWSEvent::mouseEvent(MouseFields fields) {
    if (!isMouseType(fields.type) || !fields.location.isFinite())
        return std::nullopt;
    VLWSEvent event;
    event._mouse = std::move(fields);
    return event;
}

std::optional<VLWSEvent> VLWSEvent::keyEvent(KeyFields fields) {
    if ((fields.type != VLWSEventType::KeyDown && fields.type != VLWSEventType::KeyUp) ||
        !fields.location.isFinite())
        return std::nullopt;
    VLWSEvent event;
    event._mouse.type = fields.type;
    event._mouse.location = fields.location;
    event._mouse.modifierFlags = fields.modifierFlags;
    event._mouse.timestamp = fields.timestamp;
    event._mouse.windowNumber = fields.windowNumber;
    event._characters = std::move(fields.characters);
    event._isARepeat = fields.isARepeat;
    event._keyCode = fields.keyCode;
    return event;
}

std::shared_ptr<VLWSWindow> VLWSEvent::window() const {
    return _mouse.windowNumber > 0 ? VLWindowServer::shared()->windowWithNumber(_mouse.windowNumber)
                                   : nullptr;
}

bool VLWSEvent::isMouseDown() const {
    const auto t = type();
    return t == VLWSEventType::LeftMouseDown || t == VLWSEventType::RightMouseDown ||
           t == VLWSEventType::OtherMouseDown;
}

bool VLWSEvent::isMouseUp() const {
    const auto t = type();
    return t == VLWSEventType::LeftMouseUp || t == VLWSEventType::RightMouseUp ||
           t == VLWSEventType::OtherMouseUp;
}

bool VLWSEvent::isMouseDragged() const {
    const auto t = type();
    return t == VLWSEventType::LeftMouseDragged || t == VLWSEventType::RightMouseDragged ||
           t == VLWSEventType::OtherMouseDragged;
}

bool VLWSEvent::isKey() const {
    return type() == VLWSEventType::KeyDown || type() == VLWSEventType::KeyUp;
}

VLWSEvent VLWSEvent::relocated(VLPoint location, int64_t windowNumber) const {
    VLWSEvent copy = *this;
    copy._mouse.location = location;
    copy._mouse.windowNumber = windowNumber;
    return copy;
}

VLPoint VLWSEvent::mouseLocation() {
    return VLWindowServer::shared()->inputState().mouseLocation();
}

uint64_t VLWSEvent::pressedMouseButtons() {
    return VLWindowServer::shared()->inputState().pressedMouseButtons();
}

uint64_t VLWSEvent::currentModifierFlags() {
    return VLWindowServer::shared()->inputState().modifierFlags();
}

std::shared_ptr<VLWSEventMonitor> VLWSEvent::addLocalMonitorForEventsMatchingMask(uint64_t mask,
                                                                                  LocalHandler handler) {
    return VLWindowServer::shared()->router().addMonitor(
        std::make_shared<VLWSEventMonitor>(mask, std::move(handler)));
}

std::shared_ptr<VLWSEventMonitor> VLWSEvent::addGlobalMonitorForEventsMatchingMask(uint64_t mask,
                                                                                   GlobalHandler handler) {
    return VLWindowServer::shared()->router().addMonitor(
        std::make_shared<VLWSEventMonitor>(mask, std::move(handler)));
}

void VLWSEvent::removeMonitor(const std::shared_ptr<VLWSEventMonitor>& monitor) {
    VLWindowServer::shared()->router().removeMonitor(monitor);
}
