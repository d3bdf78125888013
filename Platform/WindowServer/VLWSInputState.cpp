#include "Platform/WindowServer/VLWSInputState.h"

void VLWSInputState::setMouseLocation(VLPoint location, double primaryHeight) {
    _mouseLocation = location;
    std::lock_guard lock(_lock);
    _pointer = {location.x, primaryHeight - location.y};
}

void VLWSInputState::setPressedMouseButtons(uint64_t buttons) {
    _pressedMouseButtons = buttons;
    std::lock_guard lock(_lock);
    _leftButtonDown = buttons & 1;
}

VLPoint VLWSInputState::pointerLocation() const {
    std::lock_guard lock(_lock);
    return _pointer;
}

bool VLWSInputState::isLeftButtonDown() const {
    std::lock_guard lock(_lock);
    return _leftButtonDown;
}
