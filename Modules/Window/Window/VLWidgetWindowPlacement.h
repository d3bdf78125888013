#pragma once

#include "Core/Launcher/VLWidgetSizing.h"
#include "Modules/Window/Window/Geometry/VLWidgetFrameGeometry.h"
#include "Platform/Foundation/VLEdgeInsets.h"
#include "Platform/Foundation/VLNotificationCenter.h"
#include "Platform/Foundation/VLRect.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class VLWindow;
class VLWSWindow;

// The widget window: the first own widget or overlay window without a parent that a runtime with widget
// sizing shows. Its place on screen (the top-left corner, flipped, remembered by the runtime), its frame
// within the sizing and the screen, the user's resizes, and the frames written back into the style.
// Part of its window. Decided and written back on the component thread, set up and kept on the main
// thread; each member says which.
class VLWidgetWindowPlacement final {
public:
    // What the layout that made a frame did, as the component thread saw it.
    struct LayoutSource {
        bool movedByContent = false;
        bool resizedByContent = false;
        VLPoint styleOriginOffset;
        uint64_t contentLayouts = 0;
    };

    explicit VLWidgetWindowPlacement(VLWindow& owner) : _owner(owner) {}

    // Main thread.
    bool isWidgetWindow() const { return _isWidgetWindow; }
    bool isUserResizing() const { return _isUserResizing; }
    const std::optional<VLWidgetSizing>& sizing() const { return _sizing; }
    std::optional<VLPoint> place() const { return _hasPlace ? std::optional(_place) : std::nullopt; }
    // A widget window that the user resizes takes the mouse along its edges, where the resize starts.
    bool hasUserResizeEdge() const { return _isWidgetWindow && _sizing && _sizing->resizableByUser(); }
    // The widget window's arithmetic over its state and the screens as they are now.
    VLWidgetFrameGeometry geometry() const;
    VLEdgeInsets marginsForSize(VLSize size) const { return geometry().marginsForSize(size); }
    // Flipped: how far the place is from the point, for the widget window with a place; else zero.
    VLPoint offsetFrom(VLPoint point) const;

    void claim(const VLWidgetSizing& sizing, uint64_t contentLayouts,
               const std::optional<std::vector<VLRect>>& hitRegion);
    void release(VLWSWindow& window);
    // Every change of the place goes through here, so that the runtime remembers it.
    void setPlace(VLPoint place);
    void moveToPlace(VLPoint place);
    // What the layout of the frame about to arrive did; read once by the frame.
    void noteLayoutSource(const LayoutSource& source);
    LayoutSource takeLayoutSource();
    // Whether a layout frame may place the window: not during a user resize, nor before the layout
    // that the resize asked for.
    bool acceptsLayoutFrame(const VLRect& frame);
    void takePlaceFromLayout(const VLRect& layoutFrame, const LayoutSource& source);
    void noteStartingOffset(const VLRect& layoutFrame);
    // Tells the component tree the window frame when it is half a point or more off the layout frame.
    void tellFrame(const VLRect& windowFrame, const VLRect& layoutFrame);
    // After the main hit region changed: the margins, and the frame kept on a display.
    void keepOnDisplay();

    // The user's resize by the corner; main thread. Starting answers whether the resize is the user's.
    bool startUserResize();
    void userResizeDidResize(VLWSWindow& window);
    void endUserResize(VLWSWindow& window);
    VLSize proposedSize(VLSize frameSize) const;

    // Component thread.
    void claimIfNeeded();
    // The window's frame (flipped) written into the style, then "resize" and "move" as they apply;
    // unless the content has moved on since the layout `placed` (a frame from the window always lands).
    void applyFrame(const VLRect& frame, VLPoint offset, bool fromWindow, uint64_t placed);

private:
    friend class VLWindow;

    void setUp();
    // Hands the window's frame to the component thread, one apply in flight at a time.
    void scheduleUserResize();
    void applyUserResize(); // component thread
    // Component thread. Whether the content moved or resized after the layout with that counter.
    bool contentChangeNewerThan(uint64_t layouts) const;
    void applyOrigin(VLPoint origin, VLPoint offset, uint64_t placed);

    VLWindow& _owner;
    bool _isWidgetWindow = false;
    std::optional<VLWidgetSizing> _sizing; // the runtime's, as it was when claimed
    VLSize _size;
    bool _isUserResizing = false;
    VLRect _userResizeTarget; // flipped; zero when none
    VLPoint _place;           // flipped: the window's top-left corner
    bool _hasPlace = false;
    uint64_t _placedContentLayouts = 0;
    LayoutSource _layoutSource; // written by the component thread's layouts through screen updates
    bool _placeFromBefore = false;
    bool _hasToldStart = false;
    VLPoint _toldStart;
    std::shared_ptr<VLNotificationCenter::Observer> _screenParametersObserver;
    // The user's frame on its way to the component thread; the owner's lock.
    VLRect _pendingUserFrame;
    VLPoint _pendingUserOffset;
    bool _userResizeScheduled = false;
};
