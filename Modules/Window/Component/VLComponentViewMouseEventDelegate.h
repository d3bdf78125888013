#pragma once

#include "Platform/Foundation/VLValue.h"

#include <string>

class VLComponentView;

// Hears the mouse and click events of a component view: its component.
//
// Main thread only.
class VLComponentViewMouseEventDelegate {
public:
    virtual ~VLComponentViewMouseEventDelegate() = default;
    virtual void componentView(VLComponentView& view, const std::string& type,
                               const VLDictionary& payload) = 0;
};
