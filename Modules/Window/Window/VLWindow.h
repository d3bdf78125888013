#pragma once

#include "Core/Engine/JS/VLJSEngine.h"
#include "Core/Launcher/VLWidgetSizing.h"
#include "Core/Runtime/Rendering/VLRenderingPort.h"
#include "Core/Runtime/VLRuntimeOwner.h"
#include "Core/Runtime/VLWidgetWindowComponent.h"
#include "Modules/Window/Component/VLComponent.h"
#include "Modules/Window/Window/Geometry/VLWidgetFrameGeometry.h"
#include "Modules/Window/Window/Geometry/VLWindowSlide.h"
#include "Modules/Window/Window/VLNSWindowFileDropDelegate.h"
#include "Modules/Window/Window/VLNSWindowKeyboardEventDelegate.h"
#include "Modules/Window/Window/VLNSWindowMouseEventDelegate.h"
#include "Modules/Window/Window/VLNSWindowWheelDelegate.h"
#include "Modules/Window/Window/VLWidgetResizeCorner.h"
#include "Modules/Window/Window/VLWidgetWindowPlacement.h"
#include "Modules/Window/Window/VLWindowFileDrops.h"
#include "Modules/Window/Window/VLWindowHosting.h"
#include "Modules/Window/Window/VLWindowMousePassThrough.h"
#include "Modules/Window/Window/VLWindowScreenKeeper.h"
#include "Modules/Window/Window/VLWindowTiling.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSResponder.h"
#include "Platform/WindowServer/VLWSWindowDelegate.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class VLRunLoopThread;
class VLWSEvent;
class VLWSEventMonitor;
class VLWSTimer;
class VLWSTrackingArea;
class VLWSView;
class VLWSWindow;
class VLWidgetResizeHintView;

// Rectangles relative to a window's top-left corner, y downwards, as scripts give them.
using VLWindowRegion = std::vector<VLRect>;

bool VLWindowRegionContainsPoint(const VLWindowRegion& region, VLPoint point);

// The component at the top of a runtime's tree. It owns one platform window, chosen by its kind (the
// attribute "type": "desktop", "widget", "overlay", "panel", or untyped), whose content view is its
// component view; or, hosted, it draws into a view the host supplies and scales its content to fit.
// It shows, closes and destroys the platform window, keeps child windows above their parents, lays its
// tree out once per rendering tick, moves the platform window to the frame layout gives it, and relays
// regions from scripts to the main thread.
//
// Threads: scripts and layout use it on the component thread, the runtime's JavaScript thread that made
// it; the platform window, the host view and the regions' main copies belong to the main thread. Work
// for the component thread is posted there, never run inline. _lock guards the child windows, the live
// resize flag, what the binding sets for the main thread to read (kind, runtime, host view and area) and
// the frame a user resize hands to the component thread.
//
// Its concerns live in parts beside it, which it holds and forwards to: the mouse pass-through, file
// drops, keeping the window on screen, the widget window's placement and frame, and the resize corner.
class VLWindow final : public VLComponent,
                       public VLRuntimeOwner,
                       public VLRenderingPort,
                       public VLWSWindowDelegate,
                       public VLNSWindowKeyboardEventDelegate,
                       public VLNSWindowMouseEventDelegate,
                       public VLWidgetWindowComponent,
                       public VLWSResponder,
                       public VLNSWindowWheelDelegate,
                       public VLNSWindowFileDropDelegate {
public:
    static std::shared_ptr<VLWindow> create(const VLDictionary& style = {},
                                            const VLDictionary& attributes = {}, const VLArray& events = {});
    ~VLWindow() override;

    // What the binding sets before the view loads; any thread.
    std::shared_ptr<VLRuntime> runtime() const override;
    void setRuntime(const std::weak_ptr<VLRuntime>& runtime);
    std::optional<std::string> type() const;
    std::shared_ptr<VLWSView> hostView() const;
    void setHostView(const std::weak_ptr<VLWSView>& hostView);
    // Null: none. A rectangle that is not finite or has a negative size counts as none.
    VLRect hostArea() const;
    void setHostArea(const VLRect& hostArea);
    float devicePixelRatio() const { return _devicePixelRatio.load(); }
    // The platform window once loaded; main thread.
    const std::shared_ptr<VLWSWindow>& platformWindow() const { return _window; }
    bool isHosted() const { return _hosting.isHosted(); }
    bool isShown() const { return _isShown; }

    // Component overrides.
    bool isTopLevel() const override { return true; }
    bool canBecomeSubcomponent(const VLComponent*) const override { return false; }
    bool isInWindow() const override { return !_destroyed.load(); }

    // Component thread.
    void show();
    void close();
    void destroy();
    std::shared_ptr<VLWindow> parentWindow() const;
    // Refuses this window and its descendants; nullptr only detaches.
    void setParentWindow(const std::shared_ptr<VLWindow>& parent);
    std::vector<std::shared_ptr<VLWindow>> childWindows() const;
    const std::optional<VLWindowRegion>& hitRegion() const { return _hitRegion; }
    void setHitRegion(std::optional<VLWindowRegion> region);
    const std::optional<VLWindowRegion>& dragRegion() const { return _dragRegion; }
    void setDragRegion(std::optional<VLWindowRegion> region);
    bool allowsTiling() const { return _allowsTiling; }
    void setAllowsTiling(bool allows);
    void updateStyle(const VLDictionary& style) override;
    // Writes a move or resize of the user's into the style without counting it as the content's.
    void _writeOwnStyle(const VLDictionary& style);
    bool needsLayout() const override;

    // VLRenderingPort, on the component thread.
    void handleRenderingTick() override;
    bool needsRenderingTick() override { return needsLayout(); }

    // Main thread.
    void _setWindowStyleMask(bool on, uint64_t mask);
    const std::optional<VLWindowRegion>& mainHitRegion() const { return _mainHitRegion; }
    const std::optional<VLWindowRegion>& mainDragRegion() const { return _mainDragRegion; }
    bool mainAllowsTiling() const { return _tiling.allowsTiling(); }
    bool hasHitRegionMonitors() const { return _passThrough.hasMonitors(); }
    // The widget window's state as the main thread keeps it.
    bool isWidgetWindow() const { return _widget.isWidgetWindow(); }
    std::optional<VLPoint> widgetPlace() const { return _widget.place(); }
    const std::shared_ptr<VLWSWindow>& resizeHintWindow() const { return _resizeCorner.hintWindow(); }
    const std::shared_ptr<VLWSTrackingArea>& hoverTrackingArea() const {
        return _resizeCorner.hoverTrackingArea();
    }

    // VLWidgetWindowComponent: the host moves the widget window; main thread.
    void moveWidgetToPlace(VLPoint place) override;

    // VLWSWindowDelegate, main thread.
    void windowWillClose(VLWSWindow&) override;
    // "show" while some of the window can be seen, "hide" otherwise.
    void windowDidChangeOcclusionState(VLWSWindow& window) override;
    // Main, not key, is what focus follows.
    void windowDidBecomeMain(VLWSWindow&) override;
    void windowDidResignMain(VLWSWindow&) override;
    void windowDidChangeScreen(VLWSWindow&) override;
    // Stores a new positive scale; tells the script unless the host fixed the ratio.
    void windowDidChangeBackingProperties(VLWSWindow& window) override;
    // A move the engine did not make itself goes to the component thread as the user's.
    void windowDidMove(VLWSWindow& window) override;
    void windowWillStartLiveResize(VLWSWindow& window) override;
    void windowDidResize(VLWSWindow& window) override;
    void windowDidEndLiveResize(VLWSWindow& window) override;
    // The widget window resized by the user fits the visible frame of its screen.
    VLSize windowWillResize(VLWSWindow&, VLSize frameSize) override;
    void windowWillMove(VLWSWindow&) override { _resizeCorner.hide(); }
    // The widget's hover tracking area, with the window as owner.
    void mouseEntered(const VLWSEvent&) override { _resizeCorner.pointerIsOver(true); }
    void mouseExited(const VLWSEvent&) override { _resizeCorner.pointerIsOver(false); }
    void mouseMoved(const VLWSEvent&) override { _resizeCorner.updateEmphasis(); }
    // Zooms and full-screen transitions are the user's own resizes: never undone as tiling.
    bool windowShouldZoom(VLWSWindow&, VLRect) override;
    void windowWillEnterFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(true); }
    void windowDidEnterFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(false); }
    void windowDidFailToEnterFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(false); }
    void windowWillExitFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(true); }
    void windowDidExitFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(false); }
    void windowDidFailToExitFullScreen(VLWSWindow&) override { _tiling.setZoomingOrFullScreening(false); }
    // The platform window's keys and its own mouse reports become the window's events as they are.
    void nswindowDidReceiveKeyboardEventWithType(VLWSWindow&, const std::string& type,
                                                 const VLDictionary& payload) override;
    void nswindowDidReceiveMouseEventWithType(VLWSWindow&, const std::string& type,
                                              const VLDictionary& payload) override;
    // Desktops and panels take the wheel while key; widgets and overlays where they take the mouse.
    bool nswindowTakesWheelEvent(const VLWSWindow& window, const VLWSEvent& event) override;
    // Files dragged over an overlay window that accepts them become "dragenter", "dragover",
    // "dragleave" and "drop" inside its hit region, and are refused outside it.
    uint64_t nswindowFileDragWithType(VLWSWindow& window, const std::string& type,
                                      const VLWSDraggingInfo* info) override;

    // The backing scale factor of the main screen; 1 without screens.
    static double mainScreenScale();
    // The window's place in a host view of bounds B for the layout frame F and the host area A (null: the
    // whole bounds), flipped or not; nothing when the area has no size, or when any of them is not finite.
    static std::optional<VLRect> hostedFrame(const VLRect& bounds, bool flipped, const VLRect& area,
                                             const VLRect& frame);

protected:
    void _updateAttributesOnComponentThread(const VLDictionary& attributes) override;
    void _updateStyleOnMainThread() override;
    void _addEventOnMainThread(const std::string& name) override;
    void _removeEventOnMainThread(const std::string& name) override;
    void _removeFromSuperview() override {}
    std::shared_ptr<VLWSView> loadView() override;
    void viewDidLoad() override;
    void frameDidChange(const VLRect& frame) override;
    // Layout, component thread: notes for the widget window whether its content moved or resized it.
    void setFrame(const VLRect& frame) override;

private:
    friend class VLWidgetResizeCorner;
    friend class VLWidgetWindowPlacement;
    friend class VLWindowFileDrops;
    friend class VLWindowHosting;
    friend class VLWindowMousePassThrough;
    friend class VLWindowScreenKeeper;

    VLWindow();

    using Self = std::shared_ptr<VLWindow>;

    Self self() { return std::static_pointer_cast<VLWindow>(shared_from_this()); }
    std::weak_ptr<VLWindow> weakSelf() { return self(); }
    // Runs the block on the main queue while the window lives (inline there).
    void onMainQueue(std::function<void(VLWindow&)> block);
    // Queues the block for the component thread while the window lives; never inline.
    void onComponentThread(std::function<void(VLWindow&)> block);
    // Queues the block for the component thread; it runs only if the window is still there and not
    // destroyed by then.
    void _performOnComponentThread(std::function<void(VLWindow&)> block);

    // Main thread.
    void _showOnMainThread();
    void _closeOnMainThread();
    void _tearDownOnMainThread();
    void _updateRenderingDisplay();
    void _addChildWindowOnMainThread(const Self& child);
    void _removeChildWindowOnMainThread(const Self& child);
    void _updateDragRegion();
    // Posts the platform window's frame to the component thread as a resize.
    void _tellWindowResized();
    bool isLiveResize() const;
    static bool isLeftButtonHeld();
    // Whether the runtime, when there is one, lets the window take keys.
    bool allowsKeyboard() const;
    void setKeyboardEventDelegate(bool listens);
    // Keeps the runtime's engine from counting as idle while the window is open.
    void setOpen(bool open);
    // Between the platform's screen coordinates (y up) and flipped ones (y down from the top of the
    // primary screen), either way.
    static VLRect _flipRect(const VLRect& rect);

    // Component thread.
    void _addChildWindow(const Self& child);
    void _removeChildWindow(const Self& child);
    void _applyMove();
    void _applyHitRegion();
    // A move or resize of the platform window written back into the style (origin and frame flipped),
    // then "move" {x, y} or "resize".
    void _moveWindow(VLPoint origin, VLPoint offset);
    void _resizeWindow(const VLRect& frame, VLPoint offset);
    // The style with the window's top-left corner at the origin and nothing else placing it.
    VLDictionary styleAtOrigin(VLPoint origin) const;
    bool isRuntimeWidgetWindow() const;
    bool isDestroyed() const { return _destroyed.load(); }

    std::shared_ptr<VLWSWindow> _window; // main thread
    const std::shared_ptr<VLUnfairLock> _lock;
    std::weak_ptr<VLWindow> _parentWindow;               // component thread
    std::vector<std::pair<Self, int64_t>> _childWindows; // _lock
    std::optional<std::string> _type;                    // _lock
    bool _isLiveResize = false;                          // _lock
    std::weak_ptr<VLRuntime> _runtime;                   // _lock
    std::weak_ptr<VLWSView> _hostView;                   // _lock
    VLRect _hostArea = VLRectNull;                       // _lock
    bool _isResizeByLayout = true;                       // main thread
    // Set around the engine's own frame changes, which are no moves of the user's; main thread.
    bool _isKeepingWidgetOnDisplay = false;
    const std::weak_ptr<VLRunLoopThread> _thread;                  // the component thread
    std::optional<VLWindowRegion> _hitRegion, _dragRegion;         // component thread
    std::optional<VLWindowRegion> _mainHitRegion, _mainDragRegion; // main thread
    bool _allowsTiling = true;                                     // component thread
    bool _isShown = false;                                         // main thread
    VLJSEngine::PendingWork _openWork;                             // main thread
    std::atomic<bool> _destroyed{false};                           // set on the component thread
    bool _moveScheduled = false;                                   // component thread
    bool _hitRegionScheduled = false;                              // component thread
    bool _writingOwnStyle = false;                                 // component thread
    bool _contentMovedOrigin = false;                              // component thread
    bool _contentResized = false;                                  // component thread
    std::atomic<float> _devicePixelRatio{1};                       // written on the main thread
    uint64_t _contentLayouts = 0; // component thread: layouts caused by the script's moves and resizes
    VLPoint _styleOriginOffset;   // component thread

    // The parts; each says which thread owns what.
    VLWindowHosting _hosting;
    VLWindowMousePassThrough _passThrough;
    VLWindowFileDrops _fileDrops;
    VLWindowScreenKeeper _screenKeeper;
    VLWidgetResizeCorner _resizeCorner;
    VLWidgetWindowPlacement _widget;
    VLWindowTiling _tiling; // main thread
};
