#pragma once

#include "Platform/WindowServer/VLWSDraggingInfo.h"

#include <cstdint>
#include <string>

class VLWSWindow;

// Decides what a drag of files onto an engine panel does. Panels hold it weakly.
//
// Main thread only.
class VLNSWindowFileDropDelegate {
public:
    virtual ~VLNSWindowFileDropDelegate() = default;
    // "dragenter", "dragover", "dragleave" or "drop"; `info` is nullptr when a drag left without one.
    // Answers the drag operation (VLWSDragOperation bits).
    virtual uint64_t nswindowFileDragWithType(VLWSWindow& window, const std::string& type,
                                              const VLWSDraggingInfo* info) = 0;
};
