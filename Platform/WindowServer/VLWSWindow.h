#pragma once

#include "Platform/Foundation/VLRect.h"
#include "Platform/Graphics/VLColor.h"
#include "Platform/WindowServer/VLWSDraggingInfo.h"
#include "Platform/WindowServer/VLWSResponder.h"
#include "Platform/WindowServer/VLWSScreen.h"
#include "Platform/WindowServer/VLWSTimingFunction.h"
#include "Platform/WindowServer/VLWSView.h"
#include "Platform/WindowServer/VLWSWindowDelegate.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class VLWSEvent;
class VLWSTimer;
class VLWindowServer;

// Style-mask bits, with the platform's values.
enum VLWSWindowStyleMask : uint64_t {
    VLWSWindowStyleMaskBorderless = 0,
    VLWSWindowStyleMaskTitled = 1 << 0,
    VLWSWindowStyleMaskClosable = 1 << 1,
    VLWSWindowStyleMaskMiniaturizable = 1 << 2,
    VLWSWindowStyleMaskResizable = 1 << 3,
    VLWSWindowStyleMaskNonactivatingPanel = 1 << 7,
    // Set while the window is in full screen.
    VLWSWindowStyleMaskFullScreen = 1 << 14,
};

// The bit of occlusionState() set while some part of the window can be seen.
inline constexpr uint64_t VLWSWindowOcclusionStateVisible = 1 << 1;
// Points above the content view of a titled window.
inline constexpr double VLWSTitleBarHeight = 28;

// Posted on the default centre with the window (a VLWSWindow*) as object, right after the delegate heard
// of the same change.
inline constexpr const char* VLWSWindowDidMoveNotification = "VLWSWindowDidMoveNotification";
inline constexpr const char* VLWSWindowDidResizeNotification = "VLWSWindowDidResizeNotification";
inline constexpr const char* VLWSWindowWillMoveNotification = "VLWSWindowWillMoveNotification";
inline constexpr const char* VLWSWindowWillStartLiveResizeNotification =
    "VLWSWindowWillStartLiveResizeNotification";
inline constexpr const char* VLWSWindowDidEndLiveResizeNotification =
    "VLWSWindowDidEndLiveResizeNotification";
inline constexpr const char* VLWSWindowDidChangeOcclusionStateNotification =
    "VLWSWindowDidChangeOcclusionStateNotification";
inline constexpr const char* VLWSWindowDidChangeScreenNotification = "VLWSWindowDidChangeScreenNotification";
inline constexpr const char* VLWSWindowWillCloseNotification = "VLWSWindowWillCloseNotification";

// A window of this process in the window server: a frame in global coordinates (y up), a frame view
// holding the content view, a level in the server's z-order, and the platform's window settings. Made
// with std::make_shared on the main thread; it belongs to the process's window server of that moment
// and leaves it when destroyed. Subclasses decide whether the window can become key or main and take
// its events. A window ends its views' responder chain.
//
// Main thread only.
class VLWSWindow : public VLWSResponder, public std::enable_shared_from_this<VLWSWindow> {
public:
    // A content rectangle that is not finite or has a negative size is taken as the zero rectangle.
    VLWSWindow(VLRect contentRect, uint64_t styleMask);
    ~VLWSWindow() override;
    VLWSWindow(const VLWSWindow&) = delete;
    VLWSWindow& operator=(const VLWSWindow&) = delete;

    // Unique within the process and positive.
    int64_t windowNumber() const { return _windowNumber; }

    // Geometry. A frame, origin or size that is not finite, or a negative size, is refused.
    VLRect frame() const { return _frame; }
    // `display` is accepted for the platform's sake: nothing is drawn here.
    void setFrame(VLRect frame, bool display = true);
    void setFrameOrigin(VLPoint origin);
    // Keeps the top-left corner where it is.
    void setContentSize(VLSize size);
    VLRect contentRectForFrameRect(VLRect frame) const;
    VLRect frameRectForContentRect(VLRect contentRect) const;
    // Between the window's coordinates (origin at the frame's bottom-left corner) and the screen's.
    VLRect convertRectToScreen(VLRect rect) const;
    VLRect convertRectFromScreen(VLRect rect) const;
    VLPoint convertPointToScreen(VLPoint point) const;
    VLPoint convertPointFromScreen(VLPoint point) const;

    // The view that fills the frame, and the one inside it under the title bar.
    const std::shared_ptr<VLWSView>& frameView() const { return _frameView; }
    const std::shared_ptr<VLWSView>& contentView() const { return _contentView; }
    // nullptr is refused.
    void setContentView(std::shared_ptr<VLWSView> view);

    uint64_t styleMask() const { return _styleMask; }
    void setStyleMask(uint64_t styleMask);
    virtual bool isPanel() const { return false; }
    int32_t level() const { return _level; }
    // A new level puts the window in front of the windows of that level.
    void setLevel(int32_t level);
    uint64_t collectionBehavior() const { return _collectionBehavior; }
    void setCollectionBehavior(uint64_t behavior) { _collectionBehavior = behavior; }
    double alphaValue() const { return _alphaValue; }
    // Kept within 0…1; NaN is refused. Stops an alpha animation.
    void setAlphaValue(double alpha);
    // Moves the alpha to `alpha` over `duration` seconds of the server's clock along the curve, a step each
    // frame of the window's screen, ending exactly at the target; no duration sets it at once. A new
    // animation takes over from the one running.
    void animateAlphaValue(double alpha, double duration,
                           VLWSTimingFunction curve = VLWSTimingFunction::easeInEaseOut());
    // Of the latest animation (kept within 0…1), NaN and 0 before any.
    double alphaAnimationTarget() const { return _alphaAnimationTarget; }
    double alphaAnimationDuration() const { return _alphaAnimationDuration; }
    bool isOpaque() const { return _isOpaque; }
    void setOpaque(bool opaque);
    bool hasShadow() const { return _hasShadow; }
    void setHasShadow(bool shadow) { _hasShadow = shadow; }
    VLColor backgroundColor() const { return _backgroundColor; }
    void setBackgroundColor(VLColor color) { _backgroundColor = color; }
    const std::string& title() const { return _title; }
    void setTitle(std::string title);
    bool ignoresMouseEvents() const { return _ignoresMouseEvents; }
    void setIgnoresMouseEvents(bool ignores) { _ignoresMouseEvents = ignores; }
    bool isMovableByWindowBackground() const { return _isMovableByWindowBackground; }
    void setMovableByWindowBackground(bool movable) { _isMovableByWindowBackground = movable; }
    bool acceptsMouseMovedEvents() const { return _acceptsMouseMovedEvents; }
    void setAcceptsMouseMovedEvents(bool accepts) { _acceptsMouseMovedEvents = accepts; }
    bool hidesOnDeactivate() const { return _hidesOnDeactivate; }
    void setHidesOnDeactivate(bool hides) { _hidesOnDeactivate = hides; }
    // A released window leaves the application's list when it closes.
    bool isReleasedWhenClosed() const { return _isReleasedWhenClosed; }
    void setReleasedWhenClosed(bool released) { _isReleasedWhenClosed = released; }
    bool isExcludedFromWindowsMenu() const { return _isExcludedFromWindowsMenu; }
    void setExcludedFromWindowsMenu(bool excluded) { _isExcludedFromWindowsMenu = excluded; }
    // The platform's NSWindowAnimationBehavior values.
    int64_t animationBehavior() const { return _animationBehavior; }
    void setAnimationBehavior(int64_t behavior) { _animationBehavior = behavior; }
    VLSize contentMinSize() const { return _contentMinSize; }
    void setContentMinSize(VLSize size);
    VLSize contentMaxSize() const { return _contentMaxSize; }
    void setContentMaxSize(VLSize size);
    // (0, 0): none.
    VLSize contentAspectRatio() const { return _contentAspectRatio; }
    void setContentAspectRatio(VLSize ratio);
    std::shared_ptr<VLWSWindowDelegate> delegate() const { return _delegate.lock(); }
    void setDelegate(std::weak_ptr<VLWSWindowDelegate> delegate) { _delegate = std::move(delegate); }

    // Ordering. The z-order goes by level, then by the latest order-front; children sit just above their
    // parent. Without other applications' windows, ordering front and ordering front regardless are one.
    void orderFront();
    void orderFrontRegardless();
    void makeKeyAndOrderFront();
    // Behind the other windows of its level.
    void orderBack();
    void orderOut();
    // Tells the delegate, orders the window out and takes it from its parent; a second close of a closed
    // window does nothing.
    void close();
    // Ordered in, and so is every ancestor.
    bool isVisible() const;

    // Above this window and its other children, ordered in; moves with it. A window that is this one or
    // one of its ancestors is refused.
    void addChildWindow(const std::shared_ptr<VLWSWindow>& child);
    // The child stays ordered in, in front of its level.
    void removeChildWindow(const std::shared_ptr<VLWSWindow>& child);
    // Back to front.
    std::vector<std::shared_ptr<VLWSWindow>> childWindows() const;
    std::shared_ptr<VLWSWindow> parentWindow() const;

    // Titled or resizable.
    virtual bool canBecomeKeyWindow() const;
    // Titled or resizable, visible and not a panel.
    virtual bool canBecomeMainWindow() const;
    // Nothing unless the window is visible and can become key; the former key window resigns first. A
    // window that can become main becomes main too. Key and main windows resign when they stop being
    // visible.
    void makeKeyWindow();
    void makeMainWindow();
    bool isKeyWindow() const;
    bool isMainWindow() const;

    // The screen the window overlaps most; none when it lies on no screen.
    std::optional<VLWSScreen> screen() const;
    // That screen's scale, else the primary screen's, else 1.
    double backingScaleFactor() const;

    // VLWSWindowOcclusionStateVisible while ordered in, on a screen, and not wholly covered by opaque
    // windows at alpha 1 above it. Changes arrive once each, from the main queue.
    uint64_t occlusionState() const { return _occlusionState; }
    // For tests: a state that replaces the computed one until nullopt brings it back; delivered as a
    // change like any other.
    void overrideOcclusionState(std::optional<uint64_t> state);

    // While the user resizes the window.
    bool inLiveResize() const { return _inLiveResize; }

    // Whether component views take part in this window's input: a left press may drag the window,
    // components hear the mouse, and they hear this wheel event. Engine windows answer for themselves.
    virtual bool vl_pressMovesWindow() const { return false; }
    virtual bool vl_componentsTakeMouse() const { return false; }
    virtual bool vl_componentsTakeWheel(const VLWSEvent&) const { return isKeyWindow(); }

    // Input reaches a window here. The default handling: a press makes the window key when it can
    // become key and activates the application unless the window is a non-activating panel; it goes to
    // the view under it, which then takes the drags and the release, and starts a window drag on a
    // background that can move the window. Mouse-moved events go to the window itself, entered, exited
    // and tracking moves to their area's owner, wheel events to the view under the pointer, keys to
    // keyDown and keyUp.
    virtual void sendEvent(const VLWSEvent& event);
    // The end of the responder chain for keys: counted by the server as unhandled.
    void keyDown(const VLWSEvent& event) override;
    void keyUp(const VLWSEvent& event) override;
    // Until the left button goes up, drags move the window with the pointer. Nothing unless the left
    // button is held.
    void performWindowDrag(const VLWSEvent& event);

    // File drags. A window registered for VLWSPasteboardTypeFileURL is a destination; the default
    // answers are none and false.
    void registerForDraggedTypes(std::vector<std::string> types) { _draggedTypes = std::move(types); }
    void unregisterDraggedTypes() { _draggedTypes.clear(); }
    const std::vector<std::string>& registeredDraggedTypes() const { return _draggedTypes; }
    virtual uint64_t draggingEntered(const VLWSDraggingInfo&) { return VLWSDragOperationNone; }
    virtual uint64_t draggingUpdated(const VLWSDraggingInfo&) { return VLWSDragOperationNone; }
    virtual void draggingExited(const VLWSDraggingInfo*) {}
    virtual bool prepareForDragOperation(const VLWSDraggingInfo&) { return false; }
    virtual bool performDragOperation(const VLWSDraggingInfo&) { return false; }

    // Whether a left press on the view drags the window by its background: when the window is movable by
    // its background and the view lets a press move it.
    virtual bool backgroundMovesWindow(const VLWSView& view) const;

private:
    friend class VLWindowServer;
    friend class VLWSEventRouter;
    friend class VLWSLiveResize;

    void handleMouseDown(const VLWSEvent& event);
    // The view that took the press, else the one under the event.
    VLWSView* pressedOrHitView(const VLWSEvent& event);

    void layoutViews();
    void moveChildren(double dx, double dy);
    using Report = void (VLWSWindowDelegate::*)(VLWSWindow&);
    // Tells the delegate and then the default centre (unless `notification` is nullptr) of one change.
    void report(Report method, const char* notification);
    // After the frame or the screens changed.
    void updateScreen();
    void setOrderedIn(bool orderedIn, bool front);
    void applyAlphaValue(double alpha);
    void stopAlphaAnimation();
    // The owners' references to windows known by address; windows not made shared are left out.
    static std::shared_ptr<VLWSWindow> held(VLWSWindow* window);
    static std::vector<std::shared_ptr<VLWSWindow>> held(const std::vector<VLWSWindow*>& windows);

    const std::shared_ptr<VLWindowServer> _server;
    const int64_t _windowNumber;
    VLRect _frame;
    std::shared_ptr<VLWSView> _frameView;
    std::shared_ptr<VLWSView> _contentView;
    uint64_t _styleMask;
    int32_t _level = 0;
    uint64_t _collectionBehavior = 0;
    double _alphaValue = 1;
    std::shared_ptr<VLWSTimer> _alphaAnimation;
    double _alphaAnimationTarget = std::numeric_limits<double>::quiet_NaN();
    double _alphaAnimationDuration = 0;
    bool _isOpaque = true;
    bool _hasShadow = true;
    VLColor _backgroundColor{0.925, 0.925, 0.925, 1};
    std::string _title;
    bool _ignoresMouseEvents = false;
    bool _isMovableByWindowBackground = false;
    bool _acceptsMouseMovedEvents = false;
    bool _hidesOnDeactivate = false;
    bool _isReleasedWhenClosed = true;
    bool _isExcludedFromWindowsMenu = false;
    int64_t _animationBehavior = 0;
    VLSize _contentMinSize;
    VLSize _contentMaxSize{std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    VLSize _contentAspectRatio;
    std::weak_ptr<VLWSWindowDelegate> _delegate;

    bool _orderedIn = false;
    bool _closed = false;
    // Closed while released when closed: out of the application's list until ordered in again.
    bool _released = false;
    VLWSWindow* _parent = nullptr;      // holds this window in _children
    std::vector<VLWSWindow*> _children; // back to front; each leaves when destroyed
    std::optional<uint32_t> _screenID;  // as last reported
    double _backingScaleFactor = 1;     // as last reported
    uint64_t _occlusionState = 0;       // as last delivered
    std::optional<uint64_t> _occlusionOverride;
    bool _inLiveResize = false;
    std::weak_ptr<VLWSView> _pressedView; // from a press to its release
    std::vector<std::string> _draggedTypes;
    VLRect _frameBeforeZoom = VLRectNull;
    VLRect _frameBeforeFullScreen = VLRectNull;
};
