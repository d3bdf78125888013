#pragma once

#include "Platform/Foundation/VLPoint.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class VLWSEventMonitor;
class VLWSTrackingArea;
class VLWSWindow;

// Event types, with the platform's numbers, so that a mask of (1 << type) selects them.
enum class VLWSEventType : uint32_t {
    LeftMouseDown = 1,
    LeftMouseUp = 2,
    RightMouseDown = 3,
    RightMouseUp = 4,
    MouseMoved = 5,
    LeftMouseDragged = 6,
    RightMouseDragged = 7,
    MouseEntered = 8,
    MouseExited = 9,
    KeyDown = 10,
    KeyUp = 11,
    ScrollWheel = 22,
    OtherMouseDown = 25,
    OtherMouseUp = 26,
    OtherMouseDragged = 27,
};

// The mask bit of one type.
constexpr uint64_t VLWSEventMaskFromType(VLWSEventType type) {
    return uint64_t(1) << static_cast<uint32_t>(type);
}

// Modifier-flag bits, with the platform's values.
enum VLWSEventModifierFlags : uint64_t {
    VLWSEventModifierFlagShift = 1 << 17,
    VLWSEventModifierFlagControl = 1 << 18,
    VLWSEventModifierFlagOption = 1 << 19,
    VLWSEventModifierFlagCommand = 1 << 20,
};

// One input event as the window server hands it out: a value. Over a window of this process its
// location is in that window's coordinates and its window number is the window's; over another
// process's window or over nothing the location is in screen coordinates (y up) and the window number
// is that window's (0 over nothing).
//
// Made and read on the main thread; the class functions that read the global input state say where
// else they may be called.
class VLWSEvent {
public:
    // A mouse event of a mouse type (press, release, drag, move, entered, exited or wheel); nullopt for
    // another type or a location that is not finite.
    struct MouseFields {
        VLWSEventType type = VLWSEventType::MouseMoved;
        VLPoint location = {};
        uint64_t modifierFlags = 0;
        double timestamp = 0;
        int64_t windowNumber = 0;
        int64_t eventNumber = 0;
        int64_t clickCount = 0;
        float pressure = 0;
        int64_t buttonNumber = 0;
        double deltaX = 0, deltaY = 0, deltaZ = 0;
        std::shared_ptr<VLWSTrackingArea> trackingArea = nullptr;
    };
    static std::optional<VLWSEvent> mouseEvent(MouseFields fields);

    // A key down or key up; nullopt for another type.
    struct KeyFields {
        VLWSEventType type = VLWSEventType::KeyDown;
        VLPoint location = {};
        uint64_t modifierFlags = 0;
        double timestamp = 0;
        int64_t windowNumber = 0;
        std::string characters = {};
        bool isARepeat = false;
        uint16_t keyCode = 0;
    };
    static std::optional<VLWSEvent> keyEvent(KeyFields fields);

    VLWSEventType type() const { return _mouse.type; }
    VLPoint locationInWindow() const { return _mouse.location; }
    uint64_t modifierFlags() const { return _mouse.modifierFlags; }
    // Seconds of the window server's clock.
    double timestamp() const { return _mouse.timestamp; }
    int64_t windowNumber() const { return _mouse.windowNumber; }
    // The window of this process with that number, if there is one.
    std::shared_ptr<VLWSWindow> window() const;
    int64_t eventNumber() const { return _mouse.eventNumber; }
    int64_t clickCount() const { return _mouse.clickCount; }
    float pressure() const { return _mouse.pressure; }
    // 0 left, 1 right, 2 middle, and so on.
    int64_t buttonNumber() const { return _mouse.buttonNumber; }
    double deltaX() const { return _mouse.deltaX; }
    double deltaY() const { return _mouse.deltaY; }
    double deltaZ() const { return _mouse.deltaZ; }
    // The area that made an entered, exited or tracking moved event.
    const std::shared_ptr<VLWSTrackingArea>& trackingArea() const { return _mouse.trackingArea; }
    const std::string& characters() const { return _characters; }
    bool isARepeat() const { return _isARepeat; }
    uint16_t keyCode() const { return _keyCode; }

    bool isMouseDown() const;
    bool isMouseUp() const;
    bool isMouseDragged() const;
    bool isKey() const;

    // A copy in another window's terms (or the screen's, with number 0 or another process's).
    VLWSEvent relocated(VLPoint location, int64_t windowNumber) const;

    // The global input state of the process's window server, main thread: the pointer in screen
    // coordinates (y up), the pressed buttons (bit n for button n) and the held modifiers.
    static VLPoint mouseLocation();
    static uint64_t pressedMouseButtons();
    static uint64_t currentModifierFlags();

    // Monitors of the process's window server (main thread). A local monitor sees the events that reach
    // this process's windows before they do, and answers the event to deliver (the same one or another)
    // or nullopt to swallow it. A global monitor sees the events that go elsewhere and only observes.
    using LocalHandler = std::function<std::optional<VLWSEvent>(const VLWSEvent&)>;
    using GlobalHandler = std::function<void(const VLWSEvent&)>;
    static std::shared_ptr<VLWSEventMonitor> addLocalMonitorForEventsMatchingMask(uint64_t mask,
                                                                                  LocalHandler handler);
    static std::shared_ptr<VLWSEventMonitor> addGlobalMonitorForEventsMatchingMask(uint64_t mask,
                                                                                   GlobalHandler handler);
    // A monitor that is gone already, or nullptr, is ignored.
    static void removeMonitor(const std::shared_ptr<VLWSEventMonitor>& monitor);

private:
    VLWSEvent() = default;

    MouseFields _mouse;
    std::string _characters;
    bool _isARepeat = false;
    uint16_t _keyCode = 0;
};
