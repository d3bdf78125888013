#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>

class VLWSWindow;

// Hears the mouse events that an engine window reports itself (pointer moves over a desktop window).
// Windows hold it weakly.
//
// Main thread only.
class VLNSWindowMouseEventDelegate {
public:
    virtual ~VLNSWindowMouseEventDelegate() = default;
    virtual void nswindowDidReceiveMouseEventWithType(VLWSWindow& window, const std::string& type,
                                                      const VLDictionary& payload) = 0;
};
