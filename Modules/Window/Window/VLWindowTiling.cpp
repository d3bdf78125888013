#include "Modules/Window/Window/VLWindowTiling.h"

#include "Platform/WindowServer/VLWSInputState.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

void VLWindowTiling::liveResizeWillStart(const VLWSWindow& window, bool isWidgetWindow) {
    const bool leftButtonHeld = VLWindowServer::shared()->inputState().pressedMouseButtons() & 1;
    if ((!_allowsTiling || isWidgetWindow) && !_isZoomingOrFullScreening && !leftButtonHeld) {
        _isUndoing = true;
        _untiledFrame = window.frame();
    }
}

bool VLWindowTiling::undoResize(VLWSWindow& window) {
    if (!_isUndoing)
        return false;
    if (window.frame() != _untiledFrame)
        window.setFrame(_untiledFrame, true);
    return true;
}

bool VLWindowTiling::endLiveResize(VLWSWindow& window) {
    if (!_isUndoing)
        return false;
    window.setFrame(_untiledFrame, true);
    _isUndoing = false;
    return true;
}
