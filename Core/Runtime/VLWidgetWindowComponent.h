#pragma once

#include "Platform/Foundation/VLPoint.h"

// The component whose window serves as a runtime's widget window, as the host moves it. Main thread.
class VLWidgetWindowComponent {
public:
    virtual ~VLWidgetWindowComponent() = default;
    // The place in flipped screen coordinates.
    virtual void moveWidgetToPlace(VLPoint place) = 0;
};
