#pragma once

#include "Modules/Window/Window/VLNSWindowKeyboardEventDelegate.h"

#include <memory>

// A window whose key events go to a delegate, held weakly.
//
// Main thread only.
class VLNSWindowKeyboardEventSource {
public:
    virtual ~VLNSWindowKeyboardEventSource() = default;
    virtual std::shared_ptr<VLNSWindowKeyboardEventDelegate> keyboardEventDelegate() const = 0;
    virtual void setKeyboardEventDelegate(std::weak_ptr<VLNSWindowKeyboardEventDelegate> delegate) = 0;
};
