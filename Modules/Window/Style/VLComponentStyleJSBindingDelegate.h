#pragma once

#include "Platform/Foundation/VLValue.h"

// What a style object reads and changes: the style of its component, through the component's binding.
// JavaScript thread.
class VLComponentStyleJSBindingDelegate {
public:
    virtual ~VLComponentStyleJSBindingDelegate() = default;

    virtual VLDictionary componentStyle() const = 0;
    virtual void componentStyleUpdate(const VLDictionary& style) = 0;
};
