#pragma once

#include "Platform/Foundation/VLPoint.h"

#include <cstdint>
#include <mutex>

// The global input state of a window server: where the pointer is, which buttons and modifiers are
// held. The driver changes it on the main thread, the main thread reads all of it, and the pointer in
// top-left global coordinates and the left button may be read from any thread.
class VLWSInputState final {
public:
    // Main thread. Screen coordinates, y up.
    VLPoint mouseLocation() const { return _mouseLocation; }
    uint64_t pressedMouseButtons() const { return _pressedMouseButtons; }
    uint64_t modifierFlags() const { return _modifierFlags; }

    // Main thread. `primaryHeight` turns the location into top-left global coordinates for other threads.
    void setMouseLocation(VLPoint location, double primaryHeight);
    void setPressedMouseButtons(uint64_t buttons);
    void setModifierFlags(uint64_t flags) { _modifierFlags = flags; }

    // Any thread: top-left global coordinates (y down).
    VLPoint pointerLocation() const;
    bool isLeftButtonDown() const;

private:
    VLPoint _mouseLocation;            // main thread
    uint64_t _pressedMouseButtons = 0; // main thread
    uint64_t _modifierFlags = 0;       // main thread

    mutable std::mutex _lock; // guards the two below; any thread
    VLPoint _pointer;
    bool _leftButtonDown = false;
};
