#pragma once

#include "Modules/Window/Window/Geometry/VLWindowSlide.h"
#include "Platform/Foundation/VLRect.h"
#include "Platform/WindowServer/VLWSScreen.h"

#include <memory>
#include <optional>

class VLWindow;
class VLWSTimer;

// Keeps a window on screen after the user moved it: waits for the button's release on a drag timer,
// then restricts the frame to the screens, sliding the window back (or jumping with Reduce Motion), and
// ends the move. Part of its window; main thread only.
class VLWindowScreenKeeper final {
public:
    explicit VLWindowScreenKeeper(VLWindow& owner) : _owner(owner) {}

    bool isMovedByUser() const { return _isMovedByUser; }
    bool isSliding() const { return _isSliding; }
    // While the user moves the window or it slides, it stays where it is.
    bool holdsWindow() const { return _isMovedByUser || _isSliding; }
    // The press that moved the window was the user's.
    void noteUserMove() { _isMovedByUser = true; }
    // The window closed: no move or slide goes on.
    void stop();

    void restrictMovedFrame();
    // The widget window's frame for a proposed one (platform coordinates); other windows' as proposed.
    VLRect restrictedFrame(const VLRect& frame) const;
    // The same, the widget frame judged on that screen.
    VLRect restrictedFrame(const VLRect& frame, const std::optional<VLWSScreen>& screen);
    // The screen a restriction under way chose for the widget frame, if any.
    const std::optional<VLWSScreen>& chosenScreen() const {
        return _dropScreen ? _dropScreen : _judgedScreen;
    }

private:
    friend class VLWindow;

    void startDragTimer();
    void stopDragTimer();
    void dragTick();
    void slideTo(VLPoint origin);
    // Once per user move: the press no longer moves the window, and the runtime's host hears of it.
    void endUserMove();

    VLWindow& _owner;
    bool _isMovedByUser = false;
    bool _isSliding = false;
    VLWindowSlide _slide;
    std::shared_ptr<VLWSTimer> _dragTimer;
    // The screen under the pointer where a user move ended, while its restriction runs.
    std::optional<VLWSScreen> _dropScreen;
    // The screen the widget frame is judged on, during a restriction that chose it.
    std::optional<VLWSScreen> _judgedScreen;
};
