#include "ContentHost/ContentRuntimeState.h"

#include "ContentHost/ContentHostReading.h"
#include "Core/Runtime/VLRuntime.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

ContentRuntimeState ContentRuntimeState::of(const VLRuntime& runtime) {
    ContentRuntimeState state;
    const std::shared_ptr<VLWSWindow> widgetWindow = runtime.widgetWindow();
    for (const std::shared_ptr<VLWSWindow>& window : VLWindowServer::shared()->windows()) {
        if (VLRuntime::runtimeOwningWindow(*window).get() == &runtime)
            state.windows.push_back(ContentWindow::of(*window, window == widgetWindow));
    }
    state.hasWidgetWindow = widgetWindow != nullptr;
    state.widgetWindowSize = runtime.widgetWindowSize();
    state.widgetWindowMargins = runtime.widgetWindowMargins();
    state.widgetWindowPlace = runtime.widgetWindowPlace();
    return state;
}

VLDictionary ContentRuntimeState::dictionary() const {
    VLArray windowRecords;
    windowRecords.reserve(windows.size());
    for (const ContentWindow& window : windows)
        windowRecords.emplace_back(window.dictionary());
    return {
        {"windows", std::move(windowRecords)},
        {"hasWidget", hasWidgetWindow},
        {"widgetSize", ContentHostReading::value(widgetWindowSize)},
        {"widgetMargins", ContentHostReading::value(widgetWindowMargins)},
        {"widgetPlace", ContentHostReading::value(widgetWindowPlace)},
    };
}
