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
    bool isHosted() const { return _isHosted; }
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
    bool mainAllowsTiling() const { return _mainAllowsTiling; }
    bool hasHitRegionMonitors() const { return _hitRegionGlobalMonitor != nullptr; }
    // The widget window's state as the main thread keeps it.
    bool isWidgetWindow() const { return _isWidgetWindow; }
    std::optional<VLPoint> widgetPlace() const {
        return _hasWidgetPlace ? std::optional(_widgetPlace) : std::nullopt;
    }
    const std::shared_ptr<VLWSWindow>& resizeHintWindow() const { return _resizeHintWindow; }
    const std::shared_ptr<VLWSTrackingArea>& hoverTrackingArea() const { return _hoverTrackingArea; }

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
    void windowWillMove(VLWSWindow&) override { _hideResizeHint(); }
    // The widget's hover tracking area, with the window as owner.
    void mouseEntered(const VLWSEvent&) override { _pointerIsOver(true); }
    void mouseExited(const VLWSEvent&) override { _pointerIsOver(false); }
    void mouseMoved(const VLWSEvent&) override { _updateResizeHintEmphasis(); }
    // Zooms and full-screen transitions are the user's own resizes: never undone as tiling.
    bool windowShouldZoom(VLWSWindow&, VLRect) override;
    void windowWillEnterFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = true; }
    void windowDidEnterFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = false; }
    void windowDidFailToEnterFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = false; }
    void windowWillExitFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = true; }
    void windowDidExitFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = false; }
    void windowDidFailToExitFullScreen(VLWSWindow&) override { _isZoomingOrFullScreening = false; }
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
    VLWindow();

    using Self = std::shared_ptr<VLWindow>;
    // What the layout that made a frame did, as the component thread saw it.
    struct LayoutSource {
        bool movedByContent = false;
        bool resizedByContent = false;
        VLPoint styleOriginOffset;
        uint64_t contentLayouts = 0;
    };

    Self self() { return std::static_pointer_cast<VLWindow>(shared_from_this()); }
    std::weak_ptr<VLWindow> weakSelf() { return self(); }
    // Runs the block on the main queue while the window lives (inline there).
    void onMainQueue(std::function<void(VLWindow&)> block);
    // Queues the block for the component thread while the window lives; never inline.
    void onComponentThread(std::function<void(VLWindow&)> block);

    // Main thread.
    std::shared_ptr<VLWSView> _loadViewInHostView(const std::shared_ptr<VLWSView>& hostView);
    void _layoutInHostView();
    void _showOnMainThread();
    void _closeOnMainThread();
    void _tearDownOnMainThread();
    void _updateRenderingDisplay();
    void _addChildWindowOnMainThread(const Self& child);
    void _removeChildWindowOnMainThread(const Self& child);
    void _updateHitRegionMonitors();
    void _removeHitRegionMonitors();
    // Lets the mouse through the platform window where the pointer is outside the hit region. `event` is
    // what a hit-region monitor saw, nullptr when the region or the frame changed.
    void _updateMousePassThroughWithEvent(const VLWSEvent* event);
    void _updateMousePassThrough() { _updateMousePassThroughWithEvent(nullptr); }
    // Whether the window takes the mouse at a point given from its top-left corner, y downwards.
    bool _takesMouseAtWindowPoint(VLPoint point) const;
    // A widget window that the user resizes takes the mouse along its edges, where the resize starts.
    bool _hasUserResizeEdge() const {
        return _isWidgetWindow && _widgetSizing && _widgetSizing->resizableByUser();
    }
    // The view under the pointer hears a move of its own: the platform sends none to a window that
    // ignored the mouse until now, and the monitors swallow the window's own.
    void _sendMouseMovedUnderPointer(const VLWSEvent* cause);
    void _updateDragRegion();
    // An overlay window accepts files while a drag event is listened and the runtime allows drops.
    void _updateFileDrops();
    void _stopAcceptingFileDrops();
    // Fires "dragleave" when the drag was inside.
    void _leaveFileDrag();
    // Posts the platform window's frame to the component thread as a resize.
    void _tellWindowResized();
    // After a user move: waits for the button's release on the drag timer, then holds the window on
    // screen, sliding it back (or jumping with Reduce Motion), and ends the move.
    void _restrictMovedFrame();
    void _startDragTimer();
    void _stopDragTimer();
    void _dragTick();
    void _slideTo(VLPoint origin);
    // Once per user move: the press no longer moves the window, and the runtime's host hears of it.
    void _endUserMove();
    bool isLiveResize() const;
    static bool isLeftButtonHeld();
    // Whether the runtime, when there is one, lets the window take keys.
    bool allowsKeyboard() const;
    void setKeyboardEventDelegate(bool listens);
    // Keeps the runtime's engine from counting as idle while the window is open.
    void setOpen(bool open);

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

    // The widget window: the first own widget or overlay window without a parent that a runtime with
    // widget sizing shows. Decided on the component thread, set up on the main thread.
    void _claimWidgetWindowIfNeeded();
    // Queues the block for the component thread; it runs only if the window is still there and not
    // destroyed by then.
    void _performOnComponentThread(std::function<void(VLWindow&)> block);
    // Main thread.
    void _claimWidgetWindow(const VLWidgetSizing& sizing, uint64_t contentLayouts,
                            const std::optional<VLWindowRegion>& hitRegion);
    void _setUpWidgetWindow();
    void _releaseWidgetWindow(VLWSWindow& window);
    // Every change of the place goes through here, so that the runtime remembers it.
    void _setWidgetPlace(VLPoint place);
    void _noteStartingOffset(const VLRect& layoutFrame);

    // The resize corner and its hint; main thread. The hint shows a second after the pointer came over
    // the widget, and the pointer may leave the window for the hint's corner without it going away.
    void _pointerIsOver(bool over);
    bool _pointerAtResizeCorner() const;
    // Whether the pointer lies within reach of the window's bottom-right corner.
    bool _pointerNearResizeCorner() const;
    void _watchPointerAtResizeCorner(bool watch);
    void _pointerMovedAtResizeCorner();
    void _showResizeHint();
    void _hideResizeHint();
    void _updateResizeHintEmphasis();
    void _layoutResizeHint();
    void _measureWidgetCorner();
    void _placeResizeHint();
    // Hands the window's frame to the component thread, one apply in flight at a time.
    void _scheduleUserResize();
    void _applyUserResize(); // component thread
    void _forgetUserResizeTarget() { _userResizeTarget = VLRectZero; }
    // Between the platform's screen coordinates (y up) and flipped ones (y down from the top of the
    // primary screen), either way.
    static VLRect _flipRect(const VLRect& rect);
    // The widget window's arithmetic over its state and the screens as they are now.
    VLWidgetFrameGeometry widgetGeometry() const;
    // The widget window's frame for a proposed one (platform coordinates); other windows' as proposed.
    VLRect _restrictedFrame(const VLRect& frame) const;

    // The widget frame. Main thread: thin calls into the widget geometry.
    VLSize _widgetSizeInRange(VLSize size) const { return widgetGeometry().sizeInRange(size); }
    VLEdgeInsets _widgetMarginsForSize(VLSize size) const;
    std::optional<VLWSScreen> _screenForFrame(const VLRect& frame) const;
    std::optional<VLWSScreen> _screenForWidgetFrame(const VLRect& frame) const;
    VLRect _widgetFrame(const VLRect& frame) const { return widgetGeometry().widgetFrame(frame); }
    // The restricted frame judged on that screen.
    VLRect _restrictedFrame(const VLRect& frame, const std::optional<VLWSScreen>& screen);
    // Flipped: how far the place is from the point, for the widget window with a place; else zero.
    VLPoint _widgetOffsetFrom(VLPoint point) const;
    void _takeWidgetPlaceFromLayout(const VLRect& layoutFrame, const LayoutSource& source);
    // Tells the component tree the window frame when it is half a point or more off the layout frame.
    void _tellWidgetFrame(const VLRect& windowFrame, const VLRect& layoutFrame);
    // After the main hit region changed: the widget window's margins, and its frame kept on a display.
    void _keepWidgetOnDisplay();
    // Component thread. Whether the content moved or resized after the layout with that counter.
    bool _contentChangeNewerThan(uint64_t layouts) const;
    // The window's origin or frame (flipped) written into the style unless the content has moved on
    // since the layout `placed`; then "move" {x, y}, or "resize" and "move".
    void _applyWidgetOrigin(VLPoint origin, VLPoint offset, uint64_t placed);
    void _applyWidgetFrame(const VLRect& frame, VLPoint offset, bool fromWindow, uint64_t placed);

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
    bool _isMovedByUser = false;                         // main thread
    bool _isSliding = false;                             // main thread
    VLWindowSlide _slide;                                // main thread
    std::shared_ptr<VLWSTimer> _dragTimer;               // main thread
    // The screen under the pointer where a user move ended, while its restriction runs; main thread.
    std::optional<VLWSScreen> _dropScreen;
    const std::weak_ptr<VLRunLoopThread> _thread;                           // the component thread
    std::optional<VLWindowRegion> _hitRegion, _dragRegion;                  // component thread
    std::optional<VLWindowRegion> _mainHitRegion, _mainDragRegion;          // main thread
    std::shared_ptr<VLWSEventMonitor> _hitRegionGlobalMonitor;              // main thread
    std::shared_ptr<VLWSEventMonitor> _hitRegionLocalMonitor;               // main thread
    bool _fileDragInside = false;                                           // main thread
    std::optional<VLArray> _fileDragFiles;                                  // main thread
    VLPoint _fileDragPoint;                                                 // main thread
    int64_t _fileDragSequence = 0;                                          // main thread
    bool _allowsTiling = true;                                              // component thread
    bool _mainAllowsTiling = true;                                          // main thread
    bool _isUndoingTiling = false;                                          // main thread
    bool _isZoomingOrFullScreening = false;                                 // main thread
    VLRect _untiledFrame;                                                   // main thread
    bool _isHosted = false;                                                 // main thread
    bool _isShown = false;                                                  // main thread
    bool _acceptsFileDrops = false;                                         // main thread
    std::shared_ptr<VLNotificationCenter::Observer> _hostViewFrameObserver; // main thread
    VLJSEngine::PendingWork _openWork;                                      // main thread
    std::atomic<bool> _destroyed{false};                                    // set on the component thread
    bool _moveScheduled = false;                                            // component thread
    bool _hitRegionScheduled = false;                                       // component thread
    bool _writingOwnStyle = false;                                          // component thread
    bool _contentMovedOrigin = false;                                       // component thread
    bool _contentResized = false;                                           // component thread
    std::atomic<float> _devicePixelRatio{1};                                // written on the main thread

    // The widget window's state; main thread unless marked.
    bool _isWidgetWindow = false;
    std::optional<VLWidgetSizing> _widgetSizing; // the runtime's, as it was when claimed
    VLSize _widgetSize;
    bool _isUserResizing = false;
    VLRect _userResizeTarget; // flipped; zero when none
    VLPoint _widgetPlace;     // flipped: the window's top-left corner
    bool _hasWidgetPlace = false;
    // Set around the engine's own frame changes, which are no moves of the user's.
    bool _isKeepingWidgetOnDisplay = false;
    uint64_t _placedContentLayouts = 0;
    LayoutSource _layoutSource; // written by the component thread's layouts through screen updates
    bool _placeFromBefore = false;
    bool _hasToldStart = false;
    VLPoint _toldStart;
    std::shared_ptr<VLWidgetResizeHintView> _resizeHint;
    std::shared_ptr<VLWSWindow> _resizeHintWindow;
    std::shared_ptr<VLWSTrackingArea> _hoverTrackingArea;
    bool _pointerOverWidget = false;
    std::shared_ptr<VLNotificationCenter::Observer> _screenParametersObserver;
    // The screen the widget frame is judged on, during a restriction that chose it.
    std::optional<VLWSScreen> _widgetFrameScreen;
    uint64_t _contentLayouts = 0; // component thread: layouts caused by the script's moves and resizes
    VLPoint _styleOriginOffset;   // component thread

    // The resize corner; main thread but for the user's frame on its way to the component thread.
    std::shared_ptr<VLWSEventMonitor> _cornerGlobalMonitor, _cornerLocalMonitor;
    VLSize _resizeHintInset; // of the widget's opaque corner from the window's, in points
    double _resizeHintCornerRadius = 0;
    VLRect _pendingUserFrame;          // _lock
    VLPoint _pendingUserOffset;        // _lock
    bool _userResizeScheduled = false; // _lock
};
