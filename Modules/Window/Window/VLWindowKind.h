#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class VLNSWindowMouseEventDelegate;
class VLWSWindow;

// What a window component's kind makes of its platform window: the class, the style mask it is made
// with and the one it ends with, its level, collection behaviour and other settings, and whether
// showing it activates the application. Any thread; the windows are made on the main thread.
struct VLWindowKind {
    const char* name; // nullptr: untyped
    bool isPanel;
    uint64_t initialStyleMask;
    std::optional<uint64_t> styleMask;
    std::optional<int32_t> level;
    std::optional<uint64_t> collectionBehavior;
    // What is changed after creation: VLWindowKind::Setting bits.
    uint8_t settings;
    bool activates;

    enum Setting : uint8_t {
        StaysOnDeactivate = 1 << 0,
        NoShadow = 1 << 1,
        // Not opaque, with a clear background.
        Transparent = 1 << 2,
        MovableByWindowBackground = 1 << 3,
        // The window component takes the desktop's clicks that land on the window.
        ForwardsDesktopMouse = 1 << 4,
    };

    // "desktop", "widget", "overlay", "panel"; any other type, or none, is untyped.
    static const VLWindowKind& forType(const std::optional<std::string>& type);

    // The engine's window or panel of this kind, with a (0, 0, 1, 1) content rectangle and the initial
    // style mask; settings not yet applied.
    std::shared_ptr<VLWSWindow> makeWindow() const;
    // The level, collection behaviour, style mask and settings, in that order; the mouse delegate is the
    // one that takes the desktop's clicks.
    void apply(VLWSWindow& window, const std::weak_ptr<VLNSWindowMouseEventDelegate>& mouseDelegate) const;
};
