#pragma once

class VLWSEvent;

// Something that handles events. A handler that is not overridden passes the event to the next
// responder; the chain ends where there is none.
//
// Main thread only.
class VLWSResponder {
public:
    virtual ~VLWSResponder() = default;

    virtual VLWSResponder* nextResponder() const { return nullptr; }

    // Calls the handler of the event's type.
    void receiveEvent(const VLWSEvent& event);

    virtual void mouseDown(const VLWSEvent& event);
    virtual void mouseDragged(const VLWSEvent& event);
    virtual void mouseUp(const VLWSEvent& event);
    virtual void rightMouseDown(const VLWSEvent& event);
    virtual void rightMouseDragged(const VLWSEvent& event);
    virtual void rightMouseUp(const VLWSEvent& event);
    virtual void otherMouseDown(const VLWSEvent& event);
    virtual void otherMouseDragged(const VLWSEvent& event);
    virtual void otherMouseUp(const VLWSEvent& event);
    virtual void mouseMoved(const VLWSEvent& event);
    virtual void mouseEntered(const VLWSEvent& event);
    virtual void mouseExited(const VLWSEvent& event);
    virtual void scrollWheel(const VLWSEvent& event);
    virtual void keyDown(const VLWSEvent& event);
    virtual void keyUp(const VLWSEvent& event);

private:
    template <void (VLWSResponder::*handler)(const VLWSEvent&)>
    void passOn(const VLWSEvent& event) {
        if (VLWSResponder* next = nextResponder())
            (next->*handler)(event);
    }
};
