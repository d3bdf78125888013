#include "Platform/WindowServer/VLWSResponder.h"

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
