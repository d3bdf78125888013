#pragma once

#include "Platform/WindowServer/VLDisplayProvider.h"
#include "Platform/WindowServer/VLWSAppearance.h"
#include "Platform/WindowServer/VLWSClock.h"
#include "Platform/WindowServer/VLWSEventRouter.h"
#include "Platform/WindowServer/VLWSForeignWindow.h"
#include "Platform/WindowServer/VLWSInputState.h"
#include "Platform/WindowServer/VLWSKeyTaps.h"
#include "Platform/WindowServer/VLWSScreen.h"
#include "Platform/WindowServer/VLWSSnapshot.h"
#include "Platform/WindowServer/VLWSWorkspace.h"

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class VLWSDriver;
class VLWSAppearancePortal;
class VLWSSleepWatcher;
class VLWSWindow;
class VLWSWindowDelegate;

// The process's window server: its clock, the screens, the application's windows in z-order with the
// key and main window, other processes' windows among them, occlusion, input and the workspace. It is
// also the process's display provider.
//
// The model belongs to the main thread. After each change the main thread publishes a snapshot of the
// displays and the window list, which any thread may read.
class VLWindowServer final : public VLDisplayProvider, public std::enable_shared_from_this<VLWindowServer> {
public:
    // One screen (VLWSScreen::defaultScreen), no windows.
    VLWindowServer();
    ~VLWindowServer() override;
    VLWindowServer(const VLWindowServer&) = delete;
    VLWindowServer& operator=(const VLWindowServer&) = delete;

    // Any thread; made on first use, and then told by the system when the machine sleeps and wakes.
    static std::shared_ptr<VLWindowServer> shared();
    // For tests: windows made afterwards belong to the new server; nullptr makes a fresh one at next use.
    static void setShared(std::shared_ptr<VLWindowServer> server);

    VLWSClock& clock() { return _clock; }

    // Screens. Refuses (answering false) an empty id, a repeated one, a mirror of an unknown display,
    // two main displays or a screen that is not valid. The first screen is main when none says so; the
    // main one goes first. A change posts one VLScreenParametersDidChangeNotification on the main queue,
    // after which windows re-evaluate their screen and scale.
    bool setScreens(std::vector<VLWSScreen> screens);
    // The order in which the online list gives the displays (unknown ids left out); nullopt: the
    // screens' own order.
    void setOnlineDisplayOrder(std::optional<std::vector<uint32_t>> displayIDs);
    // Makes reading the online list fail.
    void setOnlineDisplayListFails(bool fails);

    // The application. Windows in the order they were made.
    std::vector<std::shared_ptr<VLWSWindow>> windows() const;
    // Visible windows, front to back.
    std::vector<std::shared_ptr<VLWSWindow>> orderedWindows() const;
    std::shared_ptr<VLWSWindow> windowWithNumber(int64_t windowNumber) const;
    std::shared_ptr<VLWSWindow> keyWindow() const;
    std::shared_ptr<VLWSWindow> mainWindow() const;
    bool isActive() const { return _isActive; }
    // Makes the application frontmost: the windows hidden at deactivation come back, and so do the key
    // and main windows of then.
    void activate();
    // Another application comes to the front (or none): key and main resign, and windows that hide on
    // deactivation are ordered out.
    void deactivate();

    // The application's sendEvent: hands the event to its window; nothing for an unknown number.
    void sendEvent(const VLWSEvent& event);
    // Key events that reached the end of a window's responder chain.
    size_t unhandledKeyEventCount() const { return _unhandledKeyEvents; }

    // Input: the global state (any thread may read the pointer and the left button), the router with its
    // monitors.
    const VLWSInputState& inputState() const { return _input; }
    VLWSEventRouter& router() { return _router; }
    // The key taps and the access they need (see VLWSKeyTaps for which thread may call what).
    VLWSKeyTaps& keyTaps() { return _keyTaps; }
    // The application's effective appearance; main thread.
    VLWSAppearance& appearance() { return _appearance; }
    // The driver of this server, made on first use.
    VLWSDriver& driver();

    // Other processes' windows in the z-order and the applications of the workspace.
    std::vector<VLWSForeignWindow> foreignWindows() const;
    const VLWSWorkspace& workspace() const { return _workspace; }

    // What the pointer at a screen point reaches: the topmost window there that takes the mouse; a window
    // of this process when `window` is set, else another process's (its number) or nothing (0).
    struct MouseTarget {
        std::shared_ptr<VLWSWindow> window;
        int64_t foreignNumber = 0;
    };
    MouseTarget mouseTargetAt(VLPoint screenLocation) const;

    // Any thread: the displays, the window list and the running applications as last published.
    std::shared_ptr<const VLWSSnapshot> snapshot() const;

    // VLDisplayProvider, from the snapshot.
    uint32_t mainDisplayID() const override;
    bool hasDisplay(uint32_t displayID) const override;
    bool isAsleep(uint32_t displayID) const override;

protected:
    double statedRefreshRate(uint32_t displayID) const override;

private:
    friend class VLWSWindow;
    friend class VLWSDriver;

    // One place in the z-order: a window of this process or of another.
    struct Stacked {
        VLWSWindow* window = nullptr;
        std::shared_ptr<const VLWSForeignWindow> foreign;
        int32_t level() const;
        VLRect frame() const;
    };

    // Windows come and go.
    int64_t addWindow(VLWSWindow* window);
    void removeWindow(VLWSWindow* window);
    // Without the windows released when they closed.
    std::vector<VLWSWindow*> applicationWindows() const;
    // Puts a top-level window at the front or the back of its level, or takes it out of the order.
    void placeInOrder(VLWSWindow* window, bool front);
    void removeFromOrder(VLWSWindow* window);
    // This process's windows, front to back.
    std::vector<VLWSWindow*> frontToBack() const;
    // Every window that is shown, front to back, children just above their parents; windows of hidden
    // applications are left out.
    std::vector<Stacked> stack() const;
    void setKeyWindow(VLWSWindow* window);
    void setMainWindow(VLWSWindow* window);
    // Moves the key or main role, the former holder resigning first.
    static void handOver(VLWSWindow*& holder, VLWSWindow* window,
                         void (VLWSWindowDelegate::*resign)(VLWSWindow&),
                         void (VLWSWindowDelegate::*become)(VLWSWindow&));
    // After a change of the order or of what a window shows: key and main follow visibility, the
    // snapshot is published and occlusion is computed again.
    void windowsChanged();

    std::optional<VLWSScreen> screenForFrame(const VLRect& frame) const;
    double primaryScale() const;

    void countUnhandledKeyEvent() { ++_unhandledKeyEvents; }
    VLWSInputState& mutableInputState() { return _input; }
    VLWSWorkspace& mutableWorkspace() { return _workspace; }
    // Other processes' windows: a new one goes in front of its level; answers its number, or 0 for an
    // invalid frame. Changing one keeps its place unless its level changed.
    int64_t addForeignWindow(VLWSForeignWindow window);
    bool setForeignWindow(const VLWSForeignWindow& window);
    void insertForeignWindow(std::shared_ptr<const VLWSForeignWindow> window);
    bool removeForeignWindow(int64_t number);
    void removeForeignWindowsOf(pid_t processIdentifier);
    double primaryHeight() const;

    // Has the workspace follow the machine's sleep and the appearance the desktop's colour scheme, from
    // the main queue on.
    void watchSystemSleep();
    void publish();
    void scheduleOcclusionUpdate();
    void updateOcclusion();
    void screensChanged();

    VLWSClock _clock;
    std::vector<VLWSScreen> _displays; // main thread; the main one first
    std::optional<std::vector<uint32_t>> _onlineOrder;
    bool _onlineListFails = false;
    std::vector<VLWSWindow*> _windows; // main thread; every live window, in the order made
    std::vector<Stacked> _order;       // main thread; ordered-in top-level windows, front to back
    VLWSWindow* _keyWindow = nullptr;
    VLWSWindow* _mainWindow = nullptr;
    bool _isActive = false;
    std::weak_ptr<VLWSWindow> _keyBeforeDeactivation, _mainBeforeDeactivation; // main thread
    std::vector<std::weak_ptr<VLWSWindow>> _hiddenAtDeactivation;              // main thread
    size_t _unhandledKeyEvents = 0;                                            // main thread
    VLWSInputState _input;
    VLWSEventRouter _router{*this};
    VLWSKeyTaps _keyTaps;
    VLWSAppearance _appearance;                              // main thread
    VLWSWorkspace _workspace;                                // main thread
    std::unique_ptr<VLWSSleepWatcher> _sleepWatcher;         // main thread
    std::unique_ptr<VLWSAppearancePortal> _appearancePortal; // main thread
    std::unique_ptr<VLWSDriver> _driver;
    bool _occlusionScheduled = false;

    mutable std::mutex _snapshotLock; // guards _snapshot; any thread
    std::shared_ptr<const VLWSSnapshot> _snapshot;
};
