#pragma once

#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindow.h"

#include <cmath>
#include <string>
#include <utility>
#include <vector>

// The name of an event's type as the logs of these tests write it.
inline std::string VLWSEventName(const VLWSEvent& event) {
    switch (event.type()) {
    case VLWSEventType::LeftMouseDown:
        return "down";
    case VLWSEventType::LeftMouseUp:
        return "up";
    case VLWSEventType::RightMouseDown:
        return "rightDown";
    case VLWSEventType::RightMouseUp:
        return "rightUp";
    case VLWSEventType::MouseMoved:
        return "moved";
    case VLWSEventType::LeftMouseDragged:
        return "dragged";
    case VLWSEventType::RightMouseDragged:
        return "rightDragged";
    case VLWSEventType::MouseEntered:
        return "entered";
    case VLWSEventType::MouseExited:
        return "exited";
    case VLWSEventType::KeyDown:
        return "keyDown";
    case VLWSEventType::KeyUp:
        return "keyUp";
    case VLWSEventType::ScrollWheel:
        return "wheel";
    case VLWSEventType::OtherMouseDown:
        return "otherDown";
    case VLWSEventType::OtherMouseUp:
        return "otherUp";
    case VLWSEventType::OtherMouseDragged:
        return "otherDragged";
    }
    return "?";
}

// "name@x,y" with whole-number coordinates.
inline std::string VLWSEventDescription(const VLWSEvent& event) {
    const VLPoint p = event.locationInWindow();
    return VLWSEventName(event) + "@" + std::to_string(std::lround(p.x)) + "," +
           std::to_string(std::lround(p.y));
}

// A view that writes down every event it gets, and takes them (nothing goes up the chain).
class VLWSRecordingView final : public VLWSView {
public:
    using VLWSView::VLWSView;

    std::vector<std::string> log;
    std::vector<VLWSEvent> events;
    bool movesWindow = false;

    std::vector<std::string> take() { return std::exchange(log, {}); }
    bool mouseDownCanMoveWindow() const override { return movesWindow; }

    void mouseDown(const VLWSEvent& e) override { record(e); }
    void mouseDragged(const VLWSEvent& e) override { record(e); }
    void mouseUp(const VLWSEvent& e) override { record(e); }
    void rightMouseDown(const VLWSEvent& e) override { record(e); }
    void rightMouseDragged(const VLWSEvent& e) override { record(e); }
    void rightMouseUp(const VLWSEvent& e) override { record(e); }
    void otherMouseDown(const VLWSEvent& e) override { record(e); }
    void otherMouseUp(const VLWSEvent& e) override { record(e); }
    void mouseMoved(const VLWSEvent& e) override { record(e); }
    void mouseEntered(const VLWSEvent& e) override { record(e); }
    void mouseExited(const VLWSEvent& e) override { record(e); }
    void scrollWheel(const VLWSEvent& e) override { record(e); }

private:
    void record(const VLWSEvent& event) {
        log.push_back(VLWSEventDescription(event));
        events.push_back(event);
    }
};

// A window that writes down the mouse-moved events and keys it gets itself.
class VLWSRecordingWindow final : public VLWSWindow {
public:
    using VLWSWindow::VLWSWindow;

    std::vector<std::string> log;

    void mouseMoved(const VLWSEvent& e) override { log.push_back(VLWSEventDescription(e)); }
    void keyDown(const VLWSEvent& e) override {
        log.push_back("keyDown " + e.characters());
        if (e.characters() == "pass")
            VLWSWindow::keyDown(e);
    }
    void keyUp(const VLWSEvent& e) override { log.push_back("keyUp " + e.characters()); }
};
