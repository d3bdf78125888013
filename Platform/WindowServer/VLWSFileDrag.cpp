#include "Platform/WindowServer/VLWSFileDrag.h"

#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>
#include <utility>

VLWSFileDrag::VLWSFileDrag(VLWindowServer& server, std::vector<std::string> paths,
                           uint64_t sourceOperationMask, int64_t sequenceNumber)
    : _server(server), _pasteboard(std::make_shared<const VLWSPasteboard>(std::move(paths))),
      _sourceOperationMask(sourceOperationMask), _sequenceNumber(sequenceNumber) {}

VLWSDraggingInfo VLWSFileDrag::infoFor(const VLWSWindow& window) const {
    return {window.convertPointFromScreen(_location), _sequenceNumber, _sourceOperationMask, _pasteboard};
}

std::shared_ptr<VLWSWindow> VLWSFileDrag::destinationAt(VLPoint screenLocation) const {
    auto window = _server.mouseTargetAt(screenLocation).window;
    if (!window)
        return nullptr;
    const auto& types = window->registeredDraggedTypes();
    return std::find(types.begin(), types.end(), VLWSPasteboardTypeFileURL) != types.end() ? window : nullptr;
}

void VLWSFileDrag::moveTo(VLPoint screenLocation) {
    _location = screenLocation;
    auto next = destinationAt(screenLocation);
    auto current = _destination.lock();
    if (current && current != next) {
        _destination.reset();
        const VLWSDraggingInfo info = infoFor(*current);
        current->draggingExited(&info);
    }
    if (!next)
        return;
    _destination = next;
    _lastAnswer =
        current == next ? next->draggingUpdated(infoFor(*next)) : next->draggingEntered(infoFor(*next));
}

void VLWSFileDrag::drop() {
    auto destination = std::exchange(_destination, {}).lock();
    if (!destination)
        return;
    const VLWSDraggingInfo info = infoFor(*destination);
    if (_lastAnswer == VLWSDragOperationNone) {
        destination->draggingExited(&info);
        return;
    }
    if (destination->prepareForDragOperation(info))
        destination->performDragOperation(info);
}

void VLWSFileDrag::cancel() {
    if (auto destination = std::exchange(_destination, {}).lock()) {
        const VLWSDraggingInfo info = infoFor(*destination);
        destination->draggingExited(&info);
    }
}
