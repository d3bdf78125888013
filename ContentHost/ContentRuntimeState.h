#pragma once

#include "ContentHost/ContentWindow.h"
#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLSize.h"
#include "Platform/Foundation/VLValue.h"

#include <vector>

class VLRuntime;

// A runtime's windows and widget-window geometry, as launch answers, "status" and the reports carry it.
struct ContentRuntimeState {
    // The application's windows that the runtime owns, in the window server's order.
    std::vector<ContentWindow> windows;
    bool hasWidgetWindow = false;
    VLSize widgetWindowSize;
    VLEdgeInsets widgetWindowMargins;
    VLPoint widgetWindowPlace;

    // Main thread.
    static ContentRuntimeState of(const VLRuntime& runtime);

    VLDictionary dictionary() const;
};
