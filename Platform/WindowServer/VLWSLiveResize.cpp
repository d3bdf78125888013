#include "Platform/WindowServer/VLWSLiveResize.h"

#include "Platform/WindowServer/VLWSGeometry.h"
#include "Platform/WindowServer/VLWSWindow.h"
#include "Platform/WindowServer/VLWindowServer.h"

#include <algorithm>

bool VLWSLiveResize::canResize(const VLWSWindow& window) {
    return window.isVisible() && (window.styleMask() & VLWSWindowStyleMaskResizable);
}

VLSize VLWSLiveResize::constrainedFrameSize(const VLWSWindow& window, VLSize frameSize) {
    VLSize content = window.contentRectForFrameRect({{0, 0}, frameSize}).size;
    const VLSize ratio = window.contentAspectRatio();
    if (ratio.width > 0 && ratio.height > 0)
        content.height = content.width * ratio.height / ratio.width;
    const VLSize min = window.contentMinSize(), max = window.contentMaxSize();
    content.width = std::clamp(content.width, min.width, std::max(min.width, max.width));
    content.height = std::clamp(content.height, min.height, std::max(min.height, max.height));
    return window.frameRectForContentRect({{0, 0}, content}).size;
}

void VLWSLiveResize::step(VLWSWindow& window, const VLRect& frame) {
    if (!VLWSIsValidFrame(frame))
        return;
    VLSize size = constrainedFrameSize(window, frame.size);
    if (auto delegate = window.delegate())
        size = delegate->windowWillResize(window, size);
    if (!VLWSIsValidSize(size))
        return;
    window.setFrame({frame.origin.x, frame.maxY() - size.height, size.width, size.height});
}

bool VLWSLiveResize::resize(VLWSWindow& window, const std::vector<VLRect>& frames) {
    if (!canResize(window))
        return false;
    auto self = window.weak_from_this().lock();
    window._inLiveResize = true;
    window.report(&VLWSWindowDelegate::windowWillStartLiveResize, VLWSWindowWillStartLiveResizeNotification);
    for (const VLRect& frame : frames)
        step(window, frame);
    window._inLiveResize = false;
    window.report(&VLWSWindowDelegate::windowDidEndLiveResize, VLWSWindowDidEndLiveResizeNotification);
    return true;
}

VLRect VLWSLiveResize::screenFrame(const VLWSWindow& window, bool visible) {
    auto screen = window.screen();
    if (!screen) {
        const auto snapshot = window._server->snapshot();
        if (snapshot->screens().empty())
            return VLRectNull;
        screen = snapshot->screens().front();
    }
    return visible ? screen->visibleFrame : screen->frame;
}

bool VLWSLiveResize::zoom(VLWSWindow& window) {
    if (!canResize(window))
        return false;
    const VLRect visible = screenFrame(window, true);
    if (visible.isNull())
        return false;
    const VLSize size = constrainedFrameSize(window, visible.size);
    VLRect target{visible.origin.x, visible.maxY() - size.height, size.width, size.height};
    const bool zoomedIn = window.frame() == target && !window._frameBeforeZoom.isNull();
    if (zoomedIn)
        target = window._frameBeforeZoom;
    auto delegate = window.delegate();
    if (delegate && !delegate->windowShouldZoom(window, target))
        return false;
    window._frameBeforeZoom = zoomedIn ? VLRectNull : window.frame();
    return resize(window, {target});
}

bool VLWSLiveResize::toggleFullScreen(VLWSWindow& window, bool succeeds) {
    if (!canResize(window))
        return false;
    auto self = window.weak_from_this().lock();
    const bool entering = !(window.styleMask() & VLWSWindowStyleMaskFullScreen);
    const VLRect before = window.frame();
    VLRect target = entering ? screenFrame(window, false) : window._frameBeforeFullScreen;
    if (target.isNull())
        target = before;
    using Report = void (VLWSWindowDelegate::*)(VLWSWindow&);
    const Report will = entering ? &VLWSWindowDelegate::windowWillEnterFullScreen
                                 : &VLWSWindowDelegate::windowWillExitFullScreen;
    const Report did = entering ? &VLWSWindowDelegate::windowDidEnterFullScreen
                                : &VLWSWindowDelegate::windowDidExitFullScreen;
    const Report failed = entering ? &VLWSWindowDelegate::windowDidFailToEnterFullScreen
                                   : &VLWSWindowDelegate::windowDidFailToExitFullScreen;
    window.report(will, nullptr);
    const uint64_t styleBefore = window.styleMask();
    window.setStyleMask(styleBefore ^ VLWSWindowStyleMaskFullScreen);
    resize(window, {target});
    if (succeeds) {
        if (entering)
            window._frameBeforeFullScreen = before;
        window.report(did, nullptr);
    } else {
        window.setStyleMask(styleBefore);
        window.setFrame(before);
        window.report(failed, nullptr);
    }
    return true;
}
