#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/WindowServer/VLWSDraggingInfo.h"

#include <memory>
#include <string>
#include <vector>

class VLWSWindow;
class VLWindowServer;

// Files dragged from another application across the screen. The destination is this process's window
// that takes the pointer, when it is registered for file URLs; it hears entered, updated at each step
// and exited when the drag leaves it, and at the drop prepare and perform, or exited after it last
// answered none.
//
// Main thread only.
class VLWSFileDrag final {
public:
    VLWSFileDrag(VLWindowServer& server, std::vector<std::string> paths, uint64_t sourceOperationMask,
                 int64_t sequenceNumber);
    VLWSFileDrag(const VLWSFileDrag&) = delete;
    VLWSFileDrag& operator=(const VLWSFileDrag&) = delete;

    int64_t sequenceNumber() const { return _sequenceNumber; }

    // The pointer is at the screen point now.
    void moveTo(VLPoint screenLocation);
    void drop();
    // The drag is given up: a destination hears that it left.
    void cancel();

private:
    VLWSDraggingInfo infoFor(const VLWSWindow& window) const;
    std::shared_ptr<VLWSWindow> destinationAt(VLPoint screenLocation) const;

    VLWindowServer& _server;
    std::shared_ptr<const VLWSPasteboard> _pasteboard;
    uint64_t _sourceOperationMask;
    int64_t _sequenceNumber;
    VLPoint _location;
    std::weak_ptr<VLWSWindow> _destination;
    uint64_t _lastAnswer = VLWSDragOperationNone;
};
