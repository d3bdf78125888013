#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/WindowServer/VLWSPasteboard.h"

#include <cstdint>
#include <memory>

// Drag operations, with the platform's values.
enum VLWSDragOperation : uint64_t {
    VLWSDragOperationNone = 0,
    VLWSDragOperationCopy = 1,
    VLWSDragOperationLink = 2,
    VLWSDragOperationGeneric = 4,
    VLWSDragOperationPrivate = 8,
    VLWSDragOperationMove = 16,
    VLWSDragOperationDelete = 32,
    VLWSDragOperationEvery = UINT64_MAX,
};

// One step of a drag as its destination window sees it. A value.
class VLWSDraggingInfo final {
public:
    VLWSDraggingInfo(VLPoint location, int64_t sequenceNumber, uint64_t sourceOperationMask,
                     std::shared_ptr<const VLWSPasteboard> pasteboard)
        : _location(location), _sequenceNumber(sequenceNumber), _sourceOperationMask(sourceOperationMask),
          _pasteboard(std::move(pasteboard)) {}

    // In the destination window's coordinates.
    VLPoint draggingLocation() const { return _location; }
    // The same for every step of one drag; each drag has its own.
    int64_t draggingSequenceNumber() const { return _sequenceNumber; }
    uint64_t draggingSourceOperationMask() const { return _sourceOperationMask; }
    const VLWSPasteboard& draggingPasteboard() const { return *_pasteboard; }

private:
    VLPoint _location;
    int64_t _sequenceNumber;
    uint64_t _sourceOperationMask;
    std::shared_ptr<const VLWSPasteboard> _pasteboard;
};
