#include "Modules/Window/Window/VLNSPanel.h"

VLNSPanel::VLNSPanel(VLRect contentRect, uint64_t styleMask) : VLNSWindowCommon(contentRect, styleMask) {}

bool VLNSPanel::canBecomeKeyWindow() const {
    return keyboardEventDelegate() != nullptr;
}

uint64_t VLNSPanel::tellFileDrag(const char* type, const VLWSDraggingInfo* info) {
    auto delegate = _fileDropDelegate.lock();
    return delegate ? delegate->nswindowFileDragWithType(*this, type, info) : VLWSDragOperationNone;
}

uint64_t VLNSPanel::draggingEntered(const VLWSDraggingInfo& info) {
    return tellFileDrag("dragenter", &info);
}

uint64_t VLNSPanel::draggingUpdated(const VLWSDraggingInfo& info) {
    return tellFileDrag("dragover", &info);
}

void VLNSPanel::draggingExited(const VLWSDraggingInfo* info) {
    tellFileDrag("dragleave", info);
}

bool VLNSPanel::prepareForDragOperation(const VLWSDraggingInfo&) {
    return fileDropDelegate() != nullptr;
}

bool VLNSPanel::performDragOperation(const VLWSDraggingInfo& info) {
    return tellFileDrag("drop", &info) != VLWSDragOperationNone;
}
