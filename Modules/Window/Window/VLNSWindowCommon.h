#pragma once

#include "Modules/Window/Window/VLNSWindowDragRegion.h"
#include "Modules/Window/Window/VLNSWindowKeyboardEventSource.h"
#include "Platform/Foundation/VLValue.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

// Gives the key delegate a "keydown" or "keyup" with the key's payload; false, and nothing sent, when
// the window has no key delegate.
bool VLNSWindowForwardKeyboardEvent(VLWSWindow& window, const VLNSWindowKeyboardEventSource& source,
                                    const char* name, const VLWSEvent& event);
// Before a window handles a left press: decides whether the press moves the window, and starts the
// window drag of a press inside the drag region.
void VLNSWindowWillSendEvent(VLWSWindow& window, VLNSWindowDragRegion& region, const VLWSEvent& event);
// The window delegate's answer when it is a wheel delegate, else whether the window is key.
bool VLNSWindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event);
// A location in the window, in its content view's coordinates.
VLPoint VLNSWindowLocationInContentView(const VLWSWindow& window, VLPoint locationInWindow);
// "ctrlKey", "altKey", "metaKey" and "shiftKey" from modifier flags.
void VLNSWindowAddModifierKeys(VLDictionary& payload, uint64_t modifierFlags);

// What the engine's window and panel share: keys through a key delegate, presses that a drag region or
// the background turn into window drags, and component views that take the mouse even when the window is
// not key. `Base` is VLWSWindow or one of its subclasses.
//
// Main thread only.
template <class Base>
class VLNSWindowCommon : public Base, public VLNSWindowKeyboardEventSource, public VLNSWindowDragRegion {
public:
    using Base::Base;

    std::shared_ptr<VLNSWindowKeyboardEventDelegate> keyboardEventDelegate() const override {
        return _keyboardEventDelegate.lock();
    }
    void setKeyboardEventDelegate(std::weak_ptr<VLNSWindowKeyboardEventDelegate> delegate) override {
        _keyboardEventDelegate = std::move(delegate);
    }

    const std::optional<std::vector<VLRect>>& dragRegion() const override { return _dragRegion; }
    void setDragRegion(std::optional<std::vector<VLRect>> region) override {
        _dragRegion = std::move(region);
    }
    bool vl_pressMovesWindow() const override { return _pressMovesWindow; }
    void setPressMovesWindow(bool moves) override { _pressMovesWindow = moves; }

    bool vl_componentsTakeMouse() const override { return true; }
    bool vl_componentsTakeWheel(const VLWSEvent& event) const override {
        return VLNSWindowTakesWheelEvent(*this, event);
    }

    // The window's own key handling runs only for keys that no delegate took.
    void keyDown(const VLWSEvent& event) override {
        if (!VLNSWindowForwardKeyboardEvent(*this, *this, "keydown", event))
            Base::keyDown(event);
    }
    void keyUp(const VLWSEvent& event) override {
        if (!VLNSWindowForwardKeyboardEvent(*this, *this, "keyup", event))
            Base::keyUp(event);
    }

    void sendEvent(const VLWSEvent& event) override {
        VLNSWindowWillSendEvent(*this, *this, event);
        Base::sendEvent(event);
    }

    // A drag region replaces the background: a press outside it moves nothing.
    bool backgroundMovesWindow(const VLWSView& view) const override {
        return !_dragRegion && Base::backgroundMovesWindow(view);
    }

private:
    bool _pressMovesWindow = false;
    std::weak_ptr<VLNSWindowKeyboardEventDelegate> _keyboardEventDelegate;
    std::optional<std::vector<VLRect>> _dragRegion;
};
