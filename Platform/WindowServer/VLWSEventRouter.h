#pragma once

#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSTracking.h"

#include <memory>
#include <vector>

class VLWSEventMonitor;
class VLWSWindow;
class VLWindowServer;

// Takes input as the driver makes it (locations in screen coordinates) to where it belongs: local
// monitors and then this process's window under the pointer, or the global monitors when the pointer is
// over another process's window or over nothing. Drags and the release follow the window that took the
// press; tracking areas hear of the pointer's travels; a window drag moves its window with the pointer.
//
// Main thread only; owned by its window server.
class VLWSEventRouter final {
public:
    explicit VLWSEventRouter(VLWindowServer& server) : _server(server) {}
    VLWSEventRouter(const VLWSEventRouter&) = delete;
    VLWSEventRouter& operator=(const VLWSEventRouter&) = delete;

    std::shared_ptr<VLWSEventMonitor> addMonitor(std::shared_ptr<VLWSEventMonitor> monitor);
    void removeMonitor(const std::shared_ptr<VLWSEventMonitor>& monitor);

    // An event with its location in screen coordinates and no window number.
    void route(const VLWSEvent& event);
    // Passes the event to the global monitors only, as input that another process owns.
    void routeElsewhere(const VLWSEvent& event);

    // From now until the left button goes up, drags move the window by the pointer's travel.
    void startWindowDrag(VLWSWindow& window);
    bool isDraggingWindow() const { return !_windowDrag.window.expired(); }

private:
    struct WindowDrag {
        std::weak_ptr<VLWSWindow> window;
        VLPoint startPointer;
        VLPoint startOrigin;
        bool moved = false;
    };

    void routeMouse(const VLWSEvent& event);
    void routeKey(const VLWSEvent& event);
    void updateTracking(const std::shared_ptr<VLWSWindow>& window, VLPoint screenLocation, bool moved,
                        const VLWSEvent& cause);
    void stepWindowDrag();
    // Local monitors, then the application.
    void deliverLocally(const VLWSEvent& event);
    void deliverGlobally(const VLWSEvent& event);
    // A copy: handlers may add and remove monitors.
    std::vector<std::shared_ptr<VLWSEventMonitor>> monitors(bool local) const;
    bool isMonitoring(const VLWSEventMonitor* monitor) const;

    VLWindowServer& _server;
    std::vector<std::shared_ptr<VLWSEventMonitor>> _monitors;
    std::weak_ptr<VLWSWindow> _pressedWindow; // the window that took the press, until all buttons are up
    bool _pressWentElsewhere = false;         // the press went to another process or to nothing
    WindowDrag _windowDrag;
    VLWSTracking _tracking;
};
