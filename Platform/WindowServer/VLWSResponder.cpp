#include "Platform/WindowServer/VLWSResponder.h"

#include "Platform/WindowServer/VLWSEvent.h"

void VLWSResponder::receiveEvent(const VLWSEvent& event) {
    using Handler = void (VLWSResponder::*)(const VLWSEvent&);
    Handler handler = nullptr;
    switch (event.type()) {
    case VLWSEventType::LeftMouseDown:
        handler = &VLWSResponder::mouseDown;
        break;
    case VLWSEventType::LeftMouseUp:
        handler = &VLWSResponder::mouseUp;
        break;
    case VLWSEventType::RightMouseDown:
        handler = &VLWSResponder::rightMouseDown;
        break;
    case VLWSEventType::RightMouseUp:
        handler = &VLWSResponder::rightMouseUp;
        break;
    case VLWSEventType::MouseMoved:
        handler = &VLWSResponder::mouseMoved;
        break;
    case VLWSEventType::LeftMouseDragged:
        handler = &VLWSResponder::mouseDragged;
        break;
    case VLWSEventType::RightMouseDragged:
        handler = &VLWSResponder::rightMouseDragged;
        break;
    case VLWSEventType::MouseEntered:
        handler = &VLWSResponder::mouseEntered;
        break;
    case VLWSEventType::MouseExited:
        handler = &VLWSResponder::mouseExited;
        break;
    case VLWSEventType::KeyDown:
        handler = &VLWSResponder::keyDown;
        break;
    case VLWSEventType::KeyUp:
        handler = &VLWSResponder::keyUp;
        break;
    case VLWSEventType::ScrollWheel:
        handler = &VLWSResponder::scrollWheel;
        break;
    case VLWSEventType::OtherMouseDown:
        handler = &VLWSResponder::otherMouseDown;
        break;
    case VLWSEventType::OtherMouseUp:
        handler = &VLWSResponder::otherMouseUp;
        break;
    case VLWSEventType::OtherMouseDragged:
        handler = &VLWSResponder::otherMouseDragged;
        break;
    }
    if (handler)
        (this->*handler)(event);
}

void VLWSResponder::mouseDown(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseDown>(event);
}

void VLWSResponder::mouseDragged(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseDragged>(event);
}

void VLWSResponder::mouseUp(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseUp>(event);
}

void VLWSResponder::rightMouseDown(const VLWSEvent& event) {
    passOn<&VLWSResponder::rightMouseDown>(event);
}

void VLWSResponder::rightMouseDragged(const VLWSEvent& event) {
    passOn<&VLWSResponder::rightMouseDragged>(event);
}

void VLWSResponder::rightMouseUp(const VLWSEvent& event) {
    passOn<&VLWSResponder::rightMouseUp>(event);
}

void VLWSResponder::otherMouseDown(const VLWSEvent& event) {
    passOn<&VLWSResponder::otherMouseDown>(event);
}

void VLWSResponder::otherMouseDragged(const VLWSEvent& event) {
    passOn<&VLWSResponder::otherMouseDragged>(event);
}

void VLWSResponder::otherMouseUp(const VLWSEvent& event) {
    passOn<&VLWSResponder::otherMouseUp>(event);
}

void VLWSResponder::mouseMoved(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseMoved>(event);
}

void VLWSResponder::mouseEntered(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseEntered>(event);
}

void VLWSResponder::mouseExited(const VLWSEvent& event) {
    passOn<&VLWSResponder::mouseExited>(event);
}

void VLWSResponder::scrollWheel(const VLWSEvent& event) {
    passOn<&VLWSResponder::scrollWheel>(event);
}

void VLWSResponder::keyDown(const VLWSEvent& event) {
    passOn<&VLWSResponder::keyDown>(event);
}

void VLWSResponder::keyUp(const VLWSEvent& event) {
    passOn<&VLWSResponder::keyUp>(event);
}
