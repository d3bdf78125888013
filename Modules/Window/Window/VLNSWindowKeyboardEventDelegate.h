#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>

class VLWSWindow;

// Hears the key events of an engine window. Windows hold it weakly.
//
// Main thread only.
class VLNSWindowKeyboardEventDelegate {
public:
    virtual ~VLNSWindowKeyboardEventDelegate() = default;
    // "keydown" or "keyup", with the key's payload.
    virtual void nswindowDidReceiveKeyboardEventWithType(VLWSWindow& window, const std::string& type,
                                                         const VLDictionary& payload) = 0;
};
