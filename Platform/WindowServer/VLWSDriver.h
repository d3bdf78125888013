#pragma once

#include "Platform/Foundation/VLPoint.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSAppearance.h"
#include "Platform/WindowServer/VLWSEvent.h"
#include "Platform/WindowServer/VLWSForeignWindow.h"
#include "Platform/WindowServer/VLWSKeyTaps.h"
#include "Platform/WindowServer/VLWSRunningApplication.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLWSFileDrag;
class VLWSWindow;
class VLWindowServer;

// What a person and the rest of the machine do, for tests and tools: pointer moves, presses, drags,
// wheel turns and keys, the user's resizes, zooms and full-screen transitions, switching applications,
// file drags from elsewhere, and other applications with their windows. Each verb runs synchronously:
// the events are routed before it returns. Locations are screen coordinates, y up. Verbs given bad input
// (a point that is not finite, a button or process that does not exist, no window) do nothing.
//
// Main thread only; owned by its window server.
class VLWSDriver final {
public:
    explicit VLWSDriver(VLWindowServer& server);
    ~VLWSDriver();
    VLWSDriver(const VLWSDriver&) = delete;
    VLWSDriver& operator=(const VLWSDriver&) = delete;

    // Pointer and buttons. Buttons are numbered 0 (left) to 31. A move with a button held is a drag of
    // the lowest button held. A click count of 0 counts clicks: a press of the same button within 0.5 s
    // and 4 points of the last one adds one.
    void moveMouse(VLPoint location);
    void mouseDown(int64_t button = 0, int64_t clickCount = 0);
    void mouseUp(int64_t button = 0, int64_t clickCount = 0);
    void click(VLPoint location, int64_t button = 0, int64_t clickCount = 0);
    // A press at `from`, `steps` moves on the straight line to `to`, the release there.
    void drag(VLPoint from, VLPoint to, int steps = 1, int64_t button = 0);
    void scroll(double deltaX, double deltaY, double deltaZ = 0);
    // The modifiers held from now on.
    void setModifierFlags(uint64_t flags);
    // Keys; `modifiers` are held for this key only, besides those held already.
    void keyDown(uint16_t keyCode, std::string characters, uint64_t modifiers = 0, bool isARepeat = false);
    void keyUp(uint16_t keyCode, std::string characters, uint64_t modifiers = 0);
    void typeKey(uint16_t keyCode, std::string characters, uint64_t modifiers = 0);
    // What the system answers about listening to the keyboard; taps that can't be made; the system
    // disabling every enabled tap for taking too long.
    void setListenAccess(VLWSListenAccess access);
    void setKeyTapCreationFails(bool fails);
    void timeOutKeyTaps();

    // User actions. userResize holds the left button through its steps; the others are the system's.
    bool userResize(const std::shared_ptr<VLWSWindow>& window, const std::vector<VLRect>& frames);
    bool tile(const std::shared_ptr<VLWSWindow>& window, VLRect frame);
    bool zoom(const std::shared_ptr<VLWSWindow>& window);
    bool toggleFullScreen(const std::shared_ptr<VLWSWindow>& window, bool succeeds = true);
    // The user switches away from this application to none.
    void deactivate();
    void setReduceMotion(bool reduceMotion);
    // The user switches between the light and the dark appearance.
    void setAppearance(VLWSAppearance::Name appearance);
    // The machine goes to sleep, and wakes.
    void sleep();
    void wake();

    // A drag of files from another application, holding the left button: answers its sequence number.
    // A drag still under way is given up first.
    int64_t beginFileDrag(std::vector<std::string> paths, uint64_t sourceOperationMask);
    void dragTo(VLPoint location);
    void drop();

    // Other applications. Activating one deactivates this one; activating this process activates it.
    bool launchApplication(VLWSRunningApplication application);
    // Its windows go with it.
    bool terminateApplication(pid_t processIdentifier);
    bool activateApplication(pid_t processIdentifier);
    bool hideApplication(pid_t processIdentifier);
    bool unhideApplication(pid_t processIdentifier);
    void changeSpace();

    // Other applications' windows: answers the number given, 0 when refused (an invalid frame or alpha).
    int64_t addWindow(VLWSForeignWindow window);
    // By its number; false for an unknown one.
    bool setWindow(const VLWSForeignWindow& window);
    bool removeWindow(int64_t number);
    // The desktop of a Finder-like application: per screen a window at the desktop level and one at the
    // desktop-icon level, both covering the screen. Answers their numbers.
    std::vector<int64_t> addDesktop(pid_t processIdentifier);

private:
    struct Press {
        int64_t button = -1;
        double time = 0;
        VLPoint location;
        int64_t clickCount = 0;
    };

    void post(VLWSEventType type, int64_t button, int64_t clickCount, float pressure, double dx = 0,
              double dy = 0, double dz = 0);
    std::optional<VLWSEvent> make(VLWSEventType type, int64_t button, int64_t clickCount, float pressure,
                                  double dx, double dy, double dz);
    void postKey(VLWSEventType type, uint16_t keyCode, std::string characters, uint64_t modifiers,
                 bool isARepeat);
    void setButtons(uint64_t buttons);
    int64_t countClicks(int64_t button);

    VLWindowServer& _server;
    int64_t _eventNumber = 0;
    Press _lastPress;
    std::unique_ptr<VLWSFileDrag> _fileDrag;
    int64_t _fileDragSequence = 0;
};
