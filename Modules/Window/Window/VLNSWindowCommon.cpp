#include "Modules/Window/Window/VLNSWindowCommon.h"

#include "Modules/Window/Window/VLNSWindowWheelDelegate.h"

bool VLNSWindowForwardKeyboardEvent(VLWSWindow& window, const VLNSWindowKeyboardEventSource& source,
                                    const char* name, const VLWSEvent& event) {
    auto delegate = source.keyboardEventDelegate();
    if (!delegate)
        return false;
    VLDictionary payload{
        {"code", VLValue(event.keyCode())},
        {"characters", VLValue(event.characters())},
        {"repeat", VLValue(event.isARepeat())},
    };
    VLNSWindowAddModifierKeys(payload, event.modifierFlags());
    delegate->nswindowDidReceiveKeyboardEventWithType(window, name, payload);
    return true;
}

void VLNSWindowWillSendEvent(VLWSWindow& window, VLNSWindowDragRegion& region, const VLWSEvent& event) {
    if (event.type() != VLWSEventType::LeftMouseDown)
        return;
    region.setPressMovesWindow(false);
    const auto& rectangles = region.dragRegion();
    if (!rectangles) {
        VLWSView* frameView = window.contentView()->superview();
        VLWSView* hit = frameView ? frameView->hitTest(event.locationInWindow()) : nullptr;
        region.setPressMovesWindow(hit && window.backgroundMovesWindow(*hit));
        return;
    }
    const VLPoint point = VLNSWindowLocationInContentView(window, event.locationInWindow());
    for (const VLRect& rectangle : *rectangles) {
        if (VLPointInRect(point, rectangle)) {
            region.setPressMovesWindow(true);
            window.performWindowDrag(event);
            return;
        }
    }
}

bool VLNSWindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event) {
    if (auto wheel = std::dynamic_pointer_cast<VLNSWindowWheelDelegate>(window.delegate()))
        return wheel->nswindowTakesWheelEvent(window, event);
    return window.isKeyWindow();
}

VLPoint VLNSWindowLocationInContentView(const VLWSWindow& window, VLPoint locationInWindow) {
    return window.contentView()->convertPointFromView(locationInWindow, nullptr);
}

void VLNSWindowAddModifierKeys(VLDictionary& payload, uint64_t modifierFlags) {
    payload.set("ctrlKey", bool(modifierFlags & VLWSEventModifierFlagControl));
    payload.set("altKey", bool(modifierFlags & VLWSEventModifierFlagOption));
    payload.set("metaKey", bool(modifierFlags & VLWSEventModifierFlagCommand));
    payload.set("shiftKey", bool(modifierFlags & VLWSEventModifierFlagShift));
}
