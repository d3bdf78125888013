#pragma once

class VLWSEvent;
class VLWSWindow;

// Decides whether the component views of an engine window take a wheel event. An engine window asks its
// window delegate when that delegate is one of these.
//
// Main thread only.
class VLNSWindowWheelDelegate {
public:
    virtual ~VLNSWindowWheelDelegate() = default;
    virtual bool nswindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event) = 0;
};
